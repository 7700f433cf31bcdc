#!/usr/bin/env bash
# Radios per hour through an alignment procedure on the simulator paced at
# 9600 bit/s: one radio, then four at once (one run per radio, each on its
# own simulated radio), and the time of the four against the one.
# Usage: bench/procedure_runs.sh [build-dir] [procedure]   (default: the quick check)
set -euo pipefail
bin="${1:-build}/bin"
procedure="${2:-$(dirname "$0")/../procedures/quick-check.yaml}"
dir=$(mktemp -d)
sims=()
trap 'kill "${sims[@]}" 2>/dev/null || true; rm -rf "$dir"' EXIT
# Five simulated radios, each aligned once: one for the single run, four
# for the runs at once.
for i in 1 2 3 4 5; do
    "$bin/dorvel-sim" >"$dir/sim$i.out" &
    sims+=($!)
done
for i in 1 2 3 4 5; do
    for _ in $(seq 50); do [ -s "$dir/sim$i.out" ] && break; sleep 0.1; done
done
dev() { head -1 "$dir/sim$1.out"; }

run() {   # run FIRST LAST: the procedure on those radios at once; prints the seconds
    local args=() start end
    for i in $(seq "$1" "$2"); do args+=(--device "$(dev "$i")" --serial "BENCH$i"); done
    start=$(date +%s%N)
    XDG_DATA_HOME="$dir/data" "$bin/dorvel-adj-cli" run --procedure "$procedure" "${args[@]}" >"$dir/run$1.out" 2>&1 ||
        { cat "$dir/run$1.out" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}

one=$(run 1 1)
four=$(run 2 5)
awk -v one="$one" -v four="$four" 'BEGIN {
    printf "procedure on 1 radio     %.1f s   %.1f radios per hour\n", one, 3600 / one
    printf "procedure on 4 radios    %.1f s   %.1f radios per hour\n", four, 4 * 3600 / four
    printf "4 radios against 1       %.3f times as long\n", four / one
}'
