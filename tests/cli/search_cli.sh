#!/usr/bin/env bash
# quarzel-cli search: hits per occurrence, transpositions and FEN starts,
# header text in any case and encoding, refused FENs, usage errors, and
# --mark output that the viewer's match search stops at hit for hit.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The Queen's Gambit position after 1.d4 d5 2.c4 is reached in game 1
# directly (which carries marks elsewhere: --mark takes them out), in game 2
# by transposition and twice (a knight goes out and back), game 3 starts
# there from a FEN, game 4 never gets there.
printf '%s\n' '[Event "a"]' $'[White "M\xfcller"]' '' '{MATCH} 1. d4 {MATCH} d5 ({MATCH} 1... Nf6 {MATCH}) 2. c4 dxc4 *' '' \
  '[Event "b"]' '[White "Meier"]' '[Black "Mueller"]' '' '1. c4 d5 2. d4 Nf6 3. Nf3 Ng8 4. Ng1 e6 *' '' \
  '[Event "c"]' '[FEN "rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2"]' '' '2... e6 *' '' \
  '[Event "d"]' '[Date "1999.01.01"]' '' '1. e4 e5 *' > "$tmp/games.pgn"
qgd='rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq - 0 2'
check "position hits" "$(printf '1\t3\n2\t3\n2\t7\n3\t0')" "$("$cli" search "$tmp/games.pgn" --fen "$qgd")"
# No black pawn can take on c3: with or without the square, --exact finds
# the same positions; without castling rights, none.
check "exact: en passant by meaning" "$(printf '1\t3\n2\t3\n2\t7\n3\t0')" \
  "$("$cli" search "$tmp/games.pgn" --fen "${qgd/- 0 2/c3 0 2}" --exact)"
check "exact: castling" "" "$("$cli" search "$tmp/games.pgn" --fen "${qgd/KQkq/Kkq}" --exact)"
check "text in any case, Latin-1 header" "1" "$("$cli" search "$tmp/games.pgn" --text 'MÜLLER')"
check "text: year" "4" "$("$cli" search "$tmp/games.pgn" --text 1999)"

# Tags as people write them: escaped and unescaped quotes, a tab in a value,
# blanks inside the brackets, a byte order mark of a file joined on.
printf '%s\n' '[Event "a \"quoted\" name"]' $'[Site "x\ty"]' '' '1. e4 *' '' \
  $'\xEF\xBB\xBF[ Event "LA CC Handicap Tour "C"" ]' '' '1. d4 *' > "$tmp/tags.pgn"
check "text: an escaped quote" 1 "$("$cli" search "$tmp/tags.pgn" --text '"quoted"')"
check "text: quotes left unescaped" 2 "$("$cli" search "$tmp/tags.pgn" --text 'tour "c"')"
check "list: a tab in a value is a blank" $'1\tN.N. - N.N.\ta "quoted" name, x y\t\t*' \
  "$("$cli" list "$tmp/tags.pgn" | sed -n 1p)"

for fen in '8/8/8/8/8/8/8/8 w - - 0 1' '4k2P/8/8/8/8/8/8/4K3 w - - 0 1' '4k3/8/8/8/8/8/8/4R2K w - - 0 1' 'nonsense'; do
  err=$("$cli" search "$tmp/games.pgn" --fen "$fen" 2>&1 >/dev/null); rc=$?
  check "bad FEN '$fen' status" 1 "$rc"
  check "bad FEN '$fen' one line" 1 "$(printf '%s\n' "$err" | grep -c 'bad FEN')"
done
"$cli" search "$tmp/games.pgn" >/dev/null 2>&1; check "neither --fen nor --text" 2 "$?"
"$cli" search "$tmp/games.pgn" --fen "$qgd" --text x >/dev/null 2>&1; check "both --fen and --text" 2 "$?"
"$cli" search "$tmp/none.pgn" --text x >/dev/null 2>&1; check "missing file" 1 "$?"

# --mark: the marked games, reopened, stop the "Match>" search at exactly the
# hit plies (ply 0: the start, where the game stays when it is opened).
marked() {  # FILE FEN WORD
  "$cli" search "$1" --fen "$2" > "$tmp/hits.txt"
  "$cli" search "$1" --fen "$2" --mark $3 > "$tmp/marked.pgn"
  awk -F'\t' '{ if ($1 != last) { k++; last = $1 } print k "\t" $2 }' "$tmp/hits.txt" > "$tmp/expected.txt"
  "$cli" replay "$tmp/marked.pgn" | awk -F'\t' '$2 == "match" { print $1 "\t" $3 }' > "$tmp/stops.txt"
  check "--mark $3 stops at every hit of $(basename "$1")" "$(cat "$tmp/expected.txt")" "$(cat "$tmp/stops.txt")"
  check "--mark $3 keeps the positions" "$(cut -f2 "$tmp/hits.txt" | paste -sd,)" \
    "$("$cli" search "$tmp/marked.pgn" --fen "$2" | cut -f2 | paste -sd,)"
}
marked "$tmp/games.pgn" "$qgd" MATCH
if [ -f "$QUARZEL_SHARED_PGN_DIR/world_matches.pgn" ]; then
  marked "$QUARZEL_SHARED_PGN_DIR/world_matches.pgn" 'r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3' MATCH
else
  echo "skip: ../shared/pgn is absent, real-file --mark check skipped"
fi
exit $fail
