#!/bin/bash
# Position search of `quarzel-cli search` against pgn-extract with a
# FENPattern tag criterion, on the same file of at least 100 MB of real games
# (the files of ../shared/pgn repeated into a temporary folder, removed
# afterwards): a common opening position (thousands of hits) and a rare
# middlegame position (a handful). Prints both times, the ratio and the games
# each tool found.
# Usage: bench/search_throughput.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
megabytes="${2:-100}"
cli="$build/bin/quarzel-cli"
shared="${QUARZEL_SHARED_PGN_DIR:-$here/../shared/pgn}"
extract="$(command -v pgn-extract || echo /usr/games/pgn-extract)"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first" >&2; exit 1; }
[ -x "$extract" ] || { echo "pgn-extract is not installed" >&2; exit 1; }
[ -d "$shared" ] || { echo "no $shared" >&2; exit 1; }

tmp="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
input="$tmp/games.pgn"
# Files the game list reads as PGN (an "[Event " tag), standard chess only,
# each ending with a blank line so that games never run into each other.
mapfile -t files < <(grep -l '^\[Event ' "$shared"/*.pgn | grep -v -i -E 'zh|crazy|frc|fischer|960')
: > "$tmp/one.pgn"
for f in "${files[@]}"; do cat "$f" >> "$tmp/one.pgn"; printf '\n\n' >> "$tmp/one.pgn"; done
one=$(stat -c %s "$tmp/one.pgn")
copies=$(( (megabytes * 1000000 + one - 1) / one ))
for ((i = 0; i < copies; i++)); do cat "$tmp/one.pgn"; done > "$input"
size=$(stat -c %s "$input")
games=$(grep -c '^\[Event ' "$input")
printf 'input: %.1f MB, %d games (%d copies of the real files)\n' "$(awk -v s="$size" 'BEGIN { print s / 1e6 }')" "$games" "$copies"
"$cli" count "$input" > /dev/null  # page cache warm for both tools

run() {  # name, FEN
    local name="$1" fen="$2"
    local board="${fen%% *}"
    printf 'FENPattern "%s"\n' "$board" > "$tmp/crit.txt"
    local t0 t1 t2
    t0=$(date +%s.%N)
    "$cli" search "$input" --fen "$fen" > "$tmp/hits.txt"
    t1=$(date +%s.%N)
    "$extract" -s -t "$tmp/crit.txt" "$input" -o /dev/null 2> /dev/null || true
    t2=$(date +%s.%N)
    # Untimed: the games pgn-extract finds, and ours, as White/Black lines.
    "$extract" -s -t "$tmp/crit.txt" "$input" -o "$tmp/extract.pgn" 2> /dev/null || true
    "$cli" search "$input" --fen "$fen" --mark > "$tmp/ours.pgn"
    local ours theirs same
    ours=$(cut -f1 "$tmp/hits.txt" | uniq | wc -l)
    theirs=$(grep -c '^\[Event ' "$tmp/extract.pgn" || true)
    { grep -a -E '^\[(White|Black) ' "$tmp/extract.pgn" || true; } | tr -d '\r' > "$tmp/theirs.keys"
    { grep -a -E '^\[(White|Black) ' "$tmp/ours.pgn" || true; } | tr -d '\r' > "$tmp/ours.keys"
    if cmp -s "$tmp/theirs.keys" "$tmp/ours.keys"; then same="yes"; else same="no ($( { diff "$tmp/theirs.keys" "$tmp/ours.keys" || true; } | grep -c '^[<>]' || true) header lines differ)"; fi
    awk -v name="$name" -v size="$size" -v a="$t0" -v b="$t1" -v c="$t2" -v ours="$ours" -v occ="$(wc -l < "$tmp/hits.txt")" \
        -v theirs="$theirs" -v same="$same" 'BEGIN {
        q = b - a; p = c - b;
        printf "%s\n", name;
        printf "  quarzel-cli search: %.2f s (%.1f MB/s), %d games, %d occurrences\n", q, size / 1e6 / q, ours, occ;
        printf "  pgn-extract -s -t FENPattern: %.2f s (%.1f MB/s), %d games\n", p, size / 1e6 / p, theirs;
        printf "  ratio (pgn-extract time / search time): %.2f; same games: %s\n", p / q, same;
    }'
}

# After 1.e4 e5 2.Nf3 Nc6 3.Bb5: the Spanish opening.
run "common opening position (1.e4 e5 2.Nf3 Nc6 3.Bb5)" \
    "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3"
# Move 24 of a game of the TWIC sample, where it ended: 30 men on the board.
run "rare middlegame position (30 men, after move 24)" \
    "1r2r1k1/1bq2pb1/1pn3pp/p1p1p2n/P3N2B/1QPP1N1P/1P3PP1/3RRBK1 w - - 0 25"
