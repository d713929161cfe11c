#!/bin/bash
# Scan throughput and index memory of the game list's scanner, as run by
# quarzel-cli count.
#  - throughput: count against grep -c '^\[Event ' on the same file of at
#    least 1 GB (the files of ../shared/pgn repeated, or the project's sample
#    when that folder is absent), both from the page cache, best of 3 runs;
#  - memory: peak resident size of count on files of one thousand and one
#    million games; the difference per game is what the index costs.
# Usage: bench/scan_throughput.sh [BUILD_DIR] [SIZE_MB]
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE_MB=${2:-1024}
CLI="$BUILD/bin/quarzel-cli"
[ -x "$CLI" ] || { echo "build quarzel-cli first ($CLI)"; exit 1; }
WORK=$(mktemp -d "${TMPDIR:-/tmp}/scanbench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

SRC=()
if [ -d "$ROOT/../shared/pgn" ]; then
    while IFS= read -r -d '' f; do SRC+=("$f"); done < <(find "$ROOT/../shared/pgn" -name '*.pgn' -print0 | sort -z)
fi
[ ${#SRC[@]} -gt 0 ] || SRC=("$ROOT/examples/matches.pgn")

# One round of every source file, each ended by a line feed, then repeated by doubling.
for f in "${SRC[@]}"; do cat "$f"; printf '\n'; done >"$WORK/round.pgn"
cp "$WORK/round.pgn" "$WORK/big.pgn"
target=$((SIZE_MB * 1024 * 1024))
while [ "$(stat -c %s "$WORK/big.pgn")" -lt "$target" ]; do
    cat "$WORK/big.pgn" "$WORK/big.pgn" >"$WORK/next.pgn"
    mv "$WORK/next.pgn" "$WORK/big.pgn"
done
bytes=$(stat -c %s "$WORK/big.pgn")
cat "$WORK/big.pgn" >/dev/null  # into the page cache

best() {  # best wall time in seconds of 3 runs of the command
    local b=""
    for _ in 1 2 3; do
        local s e t
        s=$(date +%s.%N)
        "$@" >"$WORK/out"  # not /dev/null: grep stops at the first match when it sees that
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}
ours=$("$CLI" count "$WORK/big.pgn")
theirs=$(LC_ALL=C grep -c '^\[Event ' "$WORK/big.pgn" || true)
t_ours=$(best "$CLI" count "$WORK/big.pgn")
t_grep=$(best env LC_ALL=C grep -c '^\[Event ' "$WORK/big.pgn")
mb=$(echo "$bytes / 1048576" | bc -l)
printf 'file: %.0f MB, %s games (grep counts %s lines starting with "[Event ")\n' "$mb" "$ours" "$theirs"
printf 'quarzel-cli count: %.3f s  %.0f MB/s\n' "$t_ours" "$(echo "$mb / $t_ours" | bc -l)"
printf 'grep -c:           %.3f s  %.0f MB/s\n' "$t_grep" "$(echo "$mb / $t_grep" | bc -l)"
printf 'ratio grep time / count time: %.2f (above 1: the scan is faster)\n' "$(echo "$t_grep / $t_ours" | bc -l)"
rm -f "$WORK/big.pgn"

# Index memory: tiny games, so that the file is small and the index is all that grows.
peak_kb() { /usr/bin/time -f %M "$CLI" count "$1" 2>&1 >/dev/null | tail -1; }
awk 'BEGIN { for (i = 0; i < 1000; i++) printf "[Event \"\"]\n*\n" }' >"$WORK/k.pgn"
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "[Event \"\"]\n*\n" }' >"$WORK/m.pgn"
k=$(peak_kb "$WORK/k.pgn")
m=$(peak_kb "$WORK/m.pgn")
printf 'peak resident size: %s KB for 1,000 games, %s KB for 1,000,000 games\n' "$k" "$m"
printf 'index cost: %.1f bytes per game (goal: at most 16)\n' "$(echo "($m - $k) * 1024 / 999000" | bc -l)"
