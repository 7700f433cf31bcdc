#!/usr/bin/env bash
# The history's figures on a throw-away SQLite file and PostgreSQL server.
# Usage: bench/history.sh [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="${1:-build}/bin"
dir=$(mktemp -d)
chmod 755 "$dir"
trap '"$root/scripts/pg-test-server" stop "$dir/pg" >/dev/null 2>&1 || true; rm -rf "$dir"' EXIT
"$root/scripts/pg-test-server" start "$dir/pg"
"$bin/bench_history" "$dir/history.sqlite" "host=$dir/pg port=5432 user=dorvel dbname=postgres"
