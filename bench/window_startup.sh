#!/usr/bin/env bash
# Time from starting dorvel-adj to its window on the screen, over several
# runs: the wall-clock time of a run that quits once the window is shown, and
# the time the program itself measured from main() to the shown window.
# Uses Xvfb when installed (a real X server), else the offscreen platform.
# Usage: bench/window_startup.sh [BUILD_DIR] [RUNS]
set -euo pipefail
if [ "${1:-}" = "--runs-here" ]; then
    # The measuring loop, on whatever display the caller set up.
    bin="$2"
    runs="$3"
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        inner=$("$bin" --exit-when-shown 2>/dev/null | sed -n 's/^shown after \([0-9]*\) ms$/\1/p')
        end=$(date +%s%N)
        echo "$(( (end - start) / 1000000 )) ${inner:-0}"
    done
    exit 0
fi

build="${1:-build}"
runs="${2:-10}"
bin="$(cd "$build/bin" && pwd)/dorvel-adj"
[ -x "$bin" ] || { echo "no $bin: build the target dorvel-adj first" >&2; exit 1; }
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"

runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"

if command -v xvfb-run >/dev/null && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    platform="xcb on Xvfb"
    results=$(xvfb-run -a "$self" --runs-here "$bin" "$runs")
else
    platform="offscreen"
    export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
    results=$("$self" --runs-here "$bin" "$runs")
fi
echo "dorvel-adj start to shown window ($platform, $runs runs; ms):"
stats() {   # median, min, max of one column
    sort -n | awk '{ v[NR] = $1 } END { printf "median %d, min %d, max %d\n", v[int((NR + 1) / 2)], v[1], v[NR] }'
}
echo "  wall clock, start to exit after showing: $(echo "$results" | awk '{ print $1 }' | stats)"
echo "  measured in the program, main() to shown: $(echo "$results" | awk '{ print $2 }' | stats)"
