#!/bin/bash
# Memory of `quarzel-cli search` and `search --mark` on a game with one huge
# comment (written to a temporary folder, removed afterwards): the peak
# resident size of each against the game's size. The search passes the
# comment over and --mark writes the notation out as it goes, so the ratios
# stay near 1 and 2.
# Usage: bench/huge_comment_memory.sh [BUILD_DIR] [MEBIBYTES]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
mib="${2:-1000}"
cli="$build/bin/quarzel-cli"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is not installed" >&2; exit 1; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
input="$tmp/huge.pgn"
{
  printf '[Event "huge"]\n[White "A"]\n[Black "B"]\n\n1. e4 {'
  { yes 'abcdefghij abcdefghij abcdefghij abcdefghij abcdefghij abcdefghij abcdefghij abcdefghij abcde' || true; } |
    head -c $((mib * 1024 * 1024))
  printf '} e5 2. Nf3 Nc6 *\n'
} > "$input"
size=$(stat -c %s "$input")
fen='rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2'
printf 'game of %d MiB (one comment)\n' "$((size >> 20))"
for mode in search mark; do
  args=(search "$input" --fen "$fen")
  [ "$mode" = mark ] && args+=(--mark)
  /usr/bin/time -f '%M %e' -o "$tmp/time" "$cli" "${args[@]}" > /dev/null
  read -r kb seconds < "$tmp/time"
  awk -v m="$mode" -v kb="$kb" -v s="$seconds" -v size="$size" \
    'BEGIN { printf "  %-6s peak %5d MiB, %.2f x the game, %s s\n", m, kb / 1024, kb * 1024 / size, s }'
done
