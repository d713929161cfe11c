#!/bin/bash
# The opening tree on a large file, each figure as a ratio to pgn-extract's
# search for the same position (pgn-extract -t with a FENPattern):
#  1. the first tree of a middlegame position with an empty cache (a search
#     of the file answers: goal at most 0.05x), and the whole command, which
#     then builds the records and keeps them;
#  2. with the cache present, the tree of the start, of an opening and of the
#     middlegame position, and a position search (goal at most 0.005x each);
#  3. the cache's bytes per game (goal at most 100) and the build's peak
#     memory against the cache's size (goal at most 2x);
#  4. in process, the next position while browsing a game (goal under 50 ms).
# The file is FILE, or the real games of ../shared/pgn repeated to MEGABYTES
# in a temporary folder. Prints the figures; never fails on them.
# Usage: bench/opening_tree.sh [BUILD_DIR] [FILE | MEGABYTES]   (default 1000 MB)
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
what="${2:-1000}"
cli="$build/bin/quarzel-cli"
shared="${QUARZEL_SHARED_PGN_DIR:-$here/../shared/pgn}"
extract="$(command -v pgn-extract || echo /usr/games/pgn-extract)"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first"; exit 0; }
[ -x "$extract" ] || { echo "no pgn-extract: nothing to compare with"; exit 0; }

tmp="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
export XDG_CACHE_HOME="$tmp/cache"
if [ -f "$what" ]; then
    input="$what"
else
    [ -d "$shared" ] || { echo "no $shared: nothing to measure"; exit 0; }
    input="$tmp/games.pgn"
    mapfile -t files < <(grep -l '^\[Event ' "$shared"/*.pgn)
    : > "$tmp/one.pgn"
    for f in "${files[@]}"; do cat "$f" >> "$tmp/one.pgn"; printf '\n\n' >> "$tmp/one.pgn"; done
    one=$(stat -c %s "$tmp/one.pgn")
    copies=$(( (what * 1000000 + one - 1) / one ))
    for ((i = 0; i < copies; i++)); do cat "$tmp/one.pgn"; done > "$input"
fi
games=$("$cli" count "$input")
size=$(stat -c %s "$input")
printf 'input: %s, %.1f MB, %s games\n' "$input" "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$games"

seconds() {  # runs the command, prints the wall time in seconds
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", a / b }'; }

# A middlegame position: ply 60 of the first game of standard chess that is that long.
fen=""
for n in 3000 1000 2000 5000 7000 11000 13000 17000; do
    [ "$n" -le "$games" ] || continue
    "$cli" game "$input" "$n" > "$tmp/g.pgn"
    grep -q '^\[FEN ' "$tmp/g.pgn" && continue
    "$extract" -s --plylimit 60 "$tmp/g.pgn" > "$tmp/g60.pgn" 2>/dev/null
    line=$("$cli" replay "$tmp/g60.pgn" | tail -1)
    [ "$(echo "$line" | cut -f3)" = 60 ] || continue
    fen="$(echo "$line" | cut -f4) 0 31"
    break
done
[ -n "$fen" ] || { echo "no game of 60 plies found"; exit 0; }
echo "position at ply 60: $fen"

"$cli" count "$input" > /dev/null  # page cache warm
echo "FENPattern \"${fen%% *}\"" > "$tmp/pattern.txt"
peer=$(seconds "$extract" -s -t "$tmp/pattern.txt" -o /dev/null "$input")
echo "pgn-extract, the same position: $peer s"

first=$(seconds "$cli" tree "$input" --fen "$fen" --no-cache)
echo "first tree, empty cache (a search of the file answers): $first s, ratio $(ratio "$first" "$peer")x (goal at most 0.05x)"
/usr/bin/time -f '%e %M' -o "$tmp/build.txt" "$cli" tree "$input" --fen "$fen" > /dev/null 2>&1
read -r whole peak < "$tmp/build.txt"
cache=$(du -cb "$XDG_CACHE_HOME"/quarzel/*.tree | tail -1 | cut -f1)
echo "the same, then the records built and kept: $whole s, ratio $(ratio "$whole" "$peer")x"
printf 'cache: %s bytes, %.1f bytes a game (goal at most 100); build peak memory %s KB, %.2fx the cache (goal at most 2x)\n' \
    "$cache" "$(awk -v c="$cache" -v g="$games" 'BEGIN { print c / g }')" "$peak" \
    "$(awk -v p="$peak" -v c="$cache" 'BEGIN { print p * 1024 / c }')"
for label in start opening middlegame; do
    case $label in
        start) args=() ;;
        opening) args=(--moves "e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 a6") ;;
        middlegame) args=(--fen "$fen") ;;
    esac
    seconds "$cli" tree "$input" "${args[@]}" > /dev/null
    t=$(seconds "$cli" tree "$input" "${args[@]}")
    echo "tree of the $label, cache present: $t s, ratio $(ratio "$t" "$peer")x (goal at most 0.005x)"
done
t=$(seconds "$cli" search "$input" --fen "$fen")
echo "search --fen, cache present: $t s, ratio $(ratio "$t" "$peer")x (goal at most 0.005x)"
t=$(seconds "$cli" search "$input" --fen "$fen" --no-cache)
echo "search --fen --no-cache (replayed): $t s, ratio $(ratio "$t" "$peer")x"
if [ -x "$build/bin/tree_bench" ]; then
    QUARZEL_TREE_FILE="$input" "$build/bin/tree_bench" 2>&1 | grep -E 'Browse|Reach'
fi
exit 0
