#!/bin/bash
# Memory of `quarzel-cli replay` on one game of plain moves (knight moves
# back and forth, with move numbers; written to a temporary folder, removed
# afterwards): the peak resident size against the game's size. Such a game
# is replayed from its text, turned into its movetext where it stands, so
# the ratio stays near 1.
# Usage: bench/replay_memory.sh [BUILD_DIR] [MEBIBYTES]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
mib="${2:-96}"
cli="$build/bin/quarzel-cli"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
input="$tmp/plain.pgn"
{
  printf '[Event "plain"]\n[White "A"]\n[Black "B"]\n\n1. e4 e5 '
  awk -v bytes=$((mib * 1024 * 1024)) 'BEGIN {
    for (n = 2; size < bytes; n += 2) {
      line = sprintf("%d. Nf3 Nc6 %d. Ng1 Nb8\n", n, n + 1); size += length(line); printf "%s", line
    }
  }'
  printf '*\n'
} > "$input"
size=$(stat -c %s "$input")
/usr/bin/time -f '%M %e' -o "$tmp/time" "$cli" replay "$input" > /dev/null
read -r kb seconds < "$tmp/time"
awk -v kb="$kb" -v s="$seconds" -v size="$size" \
  'BEGIN { printf "game of %d MiB: peak %d MiB, %.2f x the game, %s s\n", size / 1048576, kb / 1024, kb * 1024 / size, s }'
