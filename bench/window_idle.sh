#!/usr/bin/env bash
# Processor time that an idle dorvel-adj uses (the 50 ms tick with nothing to
# do), sampled from /proc/PID/stat over a period, and its resident memory.
# Usage: bench/window_idle.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build="${1:-build}"
seconds="${2:-60}"
bin="$build/bin/dorvel-adj"
[ -x "$bin" ] || { echo "no $bin: build the target dorvel-adj first" >&2; exit 1; }

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
"$bin" >/dev/null 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf "$runtime"' EXIT
sleep 3

ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks); s0=$(date +%s%N)
sleep "$seconds"
t1=$(ticks); s1=$(date +%s%N)
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
awk -v dt=$((t1 - t0)) -v hz="$hz" -v ns=$((s1 - s0)) -v rss="$rss" -v p="$QT_QPA_PLATFORM" 'BEGIN {
    s = ns / 1e9
    printf "dorvel-adj idle (%s): %.2f s of processor time in %.1f s = %.3f %% of one core; RSS %d KiB\n", p, dt / hz, s, 100 * dt / hz / s, rss
}'
