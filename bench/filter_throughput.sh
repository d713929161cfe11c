#!/bin/bash
# `quarzel-cli filter` on a large file made of the real games of ../shared/pgn
# (repeated into a temporary folder, removed afterwards):
#  1. header filtering (a name, an Elo, a year range; rows printed) against
#     `quarzel-cli list FILE --sort white` on the same file (goal: within 1.5x);
#  2. writing the selected games (every game, so about as many bytes as the
#     file) with --out against `cp` of the same bytes (goal: at least 0.5x).
# Prints the figures; never fails on them.
# Usage: bench/filter_throughput.sh [BUILD_DIR] [MEGABYTES]   (default 1000)
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
megabytes="${2:-1000}"
cli="$build/bin/quarzel-cli"
shared="${QUARZEL_SHARED_PGN_DIR:-$here/../shared/pgn}"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first"; exit 0; }
[ -d "$shared" ] || { echo "no $shared: nothing to measure"; exit 0; }

tmp="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
input="$tmp/games.pgn"
mapfile -t files < <(grep -l '^\[Event ' "$shared"/*.pgn)
: > "$tmp/one.pgn"
for f in "${files[@]}"; do cat "$f" >> "$tmp/one.pgn"; printf '\n\n' >> "$tmp/one.pgn"; done
one=$(stat -c %s "$tmp/one.pgn")
copies=$(( (megabytes * 1000000 + one - 1) / one ))
for ((i = 0; i < copies; i++)); do cat "$tmp/one.pgn"; done > "$input"
size=$(stat -c %s "$input")
printf 'input: %.1f MB, %s games\n' "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$("$cli" count "$input")"

seconds() {  # runs the command, prints the wall time in seconds
    local t0 t1
    t0=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    t1=$(date +%s.%N)
    awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

"$cli" list "$input" > /dev/null  # page cache warm
list=$(seconds "$cli" list "$input" --sort white)
filter=$(seconds "$cli" filter "$input" --player a --elo-min 2000 --years 1900-2030)
passed=$("$cli" filter "$input" --player a --elo-min 2000 --years 1900-2030 | wc -l)
echo "header filter (--player a --elo-min 2000 --years 1900-2030, $passed games pass): $filter s"
echo "list --sort white: $list s"
echo "filter / list: $(ratio "$filter" "$list")x (goal: at most 1.5x)"

out="$tmp/out/selected.pgn"
mkdir -p "$tmp/out"
write=$(seconds "$cli" filter "$input" --out "$out")
written=$(stat -c %s "$out")
rm -f "$out"
write=$(seconds "$cli" filter "$input" --out "$out")
scan=$(seconds "$cli" count "$input")
cp "$input" "$tmp/out/warm.pgn" && rm -f "$tmp/out/warm.pgn"
head -c "$written" "$input" > "$tmp/same-bytes.pgn"
rm -f "$out"
copy=$(seconds cp "$tmp/same-bytes.pgn" "$tmp/out/copy.pgn")
rm -f "$tmp/out/copy.pgn"
copy=$(seconds cp "$tmp/same-bytes.pgn" "$tmp/out/copy.pgn")
rm -f "$tmp/same-bytes.pgn"
printf 'filter --out (every game, %.1f MB written): %s s\n' "$(awk -v s="$written" 'BEGIN { print s / 1e6 }')" "$write"
echo "cp of the same bytes: $copy s"
echo "speed of filter --out / cp: $(ratio "$copy" "$write")x, the whole command with its scan of the file"
only=$(awk -v a="$write" -v b="$scan" 'BEGIN { printf "%.3f", a - b }')
echo "the writing alone (filter --out less count's scan, $scan s): $only s, speed / cp: $(ratio "$copy" "$only")x (goal: at least 0.5x)"
rm -f "$out" "$tmp/out/copy.pgn"
for ext in gz zst; do
    t=$(seconds "$cli" filter "$input" --eco A00-A09 --out "$out.$ext")
    echo "filter --eco A00-A09 --out .pgn.$ext: $t s, $(stat -c %s "$out.$ext") bytes"
    rm -f "$out.$ext"
done
exit 0
