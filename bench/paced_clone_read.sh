#!/usr/bin/env bash
# A clone read from the simulator paced at 9600 bit/s: its time, and the
# ratio to the time its bytes need on the wire (10 bits a byte; the PC's
# bytes count once, as their echo is the same signal on the one wire).
# Usage: bench/paced_clone_read.sh [build-dir]
set -euo pipefail
bin="${1:-build}/bin"
dir=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -rf "$dir"' EXIT
"$bin/dorvel-sim" --log "$dir/wire.log" >"$dir/sim.out" &
sim=$!
for _ in $(seq 50); do [ -s "$dir/sim.out" ] && break; sleep 0.1; done
dev=$(head -1 "$dir/sim.out")
start=$(date +%s%N)
"$bin/dorvel-adj-cli" read --device "$dev" --out "$dir/radio.bin" 2>/dev/null
end=$(date +%s%N)
awk -v total_ns=$((end - start)) '
    { bytes += length($3) / 2; if (first == "") first = $1; last = $1 }
    END {
        wire = bytes * 10 / 9600
        run = total_ns / 1e9
        printf "bytes on the wire      %d\n", bytes
        printf "their time at 9600     %.3f s\n", wire
        printf "command run, whole     %.3f s  (ratio %.4f)\n", run, run / wire
        printf "first to last frame    %.3f s\n", (last - first) / 1000
    }' "$dir/wire.log"
