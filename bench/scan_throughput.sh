#!/bin/bash
# Scan throughput and index memory of the game list's scanner, as run by
# quarzel-cli count.
#  - throughput: count against dd bs=1M reading the same file of at least
#    1 GB (the files of ../shared/pgn repeated, or the project's sample when
#    that folder is absent), both from the page cache, best of 3 runs; then
#    the cost of the tag-section rule: the same file with every Event tag
#    removed that another tag line follows (games no "[Event " search
#    finds): about the same count (a header-only game of one source file
#    followed by a game of the next with only new tag names reads as one) at
#    the same speed; grep -c '^\[Event ' for comparison;
#  - memory: peak resident size of count on files of one and two million
#    games; the difference per game is what the index costs.
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
t_dd=$(best dd if="$WORK/big.pgn" of=/dev/null bs=1M status=none)
t_ours=$(best "$CLI" count "$WORK/big.pgn")
t_grep=$(best env LC_ALL=C grep -c '^\[Event ' "$WORK/big.pgn")
mb=$(echo "$bytes / 1048576" | bc -l)
printf 'file: %.0f MB, %s games (grep counts %s lines starting with "[Event ")\n' "$mb" "$ours" "$theirs"
printf 'dd bs=1M:          %.3f s  %.0f MB/s\n' "$t_dd" "$(echo "$mb / $t_dd" | bc -l)"
printf 'quarzel-cli count: %.3f s  %.0f MB/s  %.2f x dd (goal 1.25, at most 1.5)\n' "$t_ours" \
    "$(echo "$mb / $t_ours" | bc -l)" "$(echo "$t_ours / $t_dd" | bc -l)"
printf 'grep -c:           %.3f s  %.0f MB/s  %.2f x dd\n' "$t_grep" "$(echo "$mb / $t_grep" | bc -l)" \
    "$(echo "$t_grep / $t_dd" | bc -l)"

# The tag-section rule: every Event line removed that another tag line follows.
awk '{ if (held != "") { if ($0 !~ /^\[/) print held; held = "" }
       if ($0 ~ /^\[Event "/) { held = $0; next }
       print }
     END { if (held != "") print held }' "$WORK/big.pgn" >"$WORK/noevent.pgn"
rm -f "$WORK/big.pgn"
cat "$WORK/noevent.pgn" >/dev/null
bytes2=$(stat -c %s "$WORK/noevent.pgn")
mb2=$(echo "$bytes2 / 1048576" | bc -l)
ours2=$("$CLI" count "$WORK/noevent.pgn")
t_dd2=$(best dd if="$WORK/noevent.pgn" of=/dev/null bs=1M status=none)
t_ours2=$(best "$CLI" count "$WORK/noevent.pgn")
printf 'without Event tags: %.0f MB, %s games; count %.3f s  %.2f x dd\n' "$mb2" "$ours2" "$t_ours2" \
    "$(echo "$t_ours2 / $t_dd2" | bc -l)"
rm -f "$WORK/noevent.pgn"

# Index memory: tiny games, so that the file is small and the index is all
# that grows; one and two million games, read the same way (ahead, on a
# thread of its own), so that only the index differs.
peak_kb() { /usr/bin/time -f %M "$CLI" count "$1" 2>&1 >/dev/null | tail -1; }
awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "[Event \"\"]\n*\n" }' >"$WORK/m.pgn"
awk 'BEGIN { for (i = 0; i < 2000000; i++) printf "[Event \"\"]\n*\n" }' >"$WORK/mm.pgn"
m=$(peak_kb "$WORK/m.pgn")
mm=$(peak_kb "$WORK/mm.pgn")
printf 'peak resident size: %s KB for 1,000,000 games, %s KB for 2,000,000 games\n' "$m" "$mm"
printf 'index cost: %.1f bytes per game (goal: at most 8)\n' "$(echo "($mm - $m) * 1024 / 1000000" | bc -l)"
