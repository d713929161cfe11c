#!/usr/bin/env bash
# quarzel-cli analyse: the lines of the real engine (stockfish) at a depth,
# the same first moves and scores the engine gives on its own, and the
# faults of a missing or broken engine as one line and status 1.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
fake="$(dirname "$0")/../engine/fake_engine.py"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
start='rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1'
engine=$(command -v stockfish || echo /usr/games/stockfish)

if [ -x "$engine" ]; then
  out=$(timeout 60 "$cli" analyse --fen "$start" --depth 10 --multipv 3 --threads 1 --hash 16); rc=$?
  check "analyse status" 0 "$rc"
  check "three lines of depth 10" "1 10;2 10;3 10;" "$(printf '%s\n' "$out" | awk -F'\t' '{printf "%s %s;", $1, $2}')"
  # The engine on its own, asked the same: its depth-10 lines' first moves and scores.
  own=$( (printf 'uci\nsetoption name Threads value 1\nsetoption name MultiPV value 3\nsetoption name Hash value 16\n'
          printf 'isready\nposition startpos\ngo depth 10\n'; sleep 2; printf 'quit\n') | timeout 20 "$engine" \
        | awk '/^info depth 10 .* multipv/ && !/bound/ {
                 for (i = 1; i <= NF; i++) { if ($i == "multipv") r = $(i + 1); if ($i == "cp") s = $(i + 1); if ($i == "pv") m = $(i + 1) }
                 line[r] = r " " s " " m } END { for (r = 1; r <= 3; r++) printf "%s;", line[r] }')
  ours=$(printf '%s\n' "$out" | awk -F'\t' '{
           split($4, moves, " "); s = $3; sub(/^\+/, "", s); sub(/\./, "", s); s = s + 0; printf "%s %s %s;", $1, s, moves[1] }')
  own_san=$(printf '%s' "$own" | sed -e 's/e2e4/e4/g; s/d2d4/d4/g; s/c2c4/c4/g; s/g1f3/Nf3/g; s/b1c3/Nc3/g; s/e2e3/e3/g; s/g2g3/g3/g')
  echo "     the engine: $own_san"
  check "first moves and scores are the engine's own" "$own_san" "$ours"
  mate=$("$cli" analyse --fen '1r4k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1' --depth 6 --multipv 2 | head -1)
  check "mate from White's view" "$(printf '1\t6\t#-1\tRb1#')" "$mate"
  printf '[Event "x"]\n\n1. e4 e5 2. Nf3 Nc6 *\n' >"${TMPDIR:-/tmp}/analyse_$$.pgn"
  line=$("$cli" analyse --game "${TMPDIR:-/tmp}/analyse_$$.pgn" 1 --ply 1 --depth 4 | cut -f1,2)
  check "a game's position" "$(printf '1\t4')" "$line"
  "$cli" analyse --game "${TMPDIR:-/tmp}/analyse_$$.pgn" 1 --ply 9 --depth 4 >/dev/null 2>&1
  check "a ply past the end" 1 "$?"
  rm -f "${TMPDIR:-/tmp}/analyse_$$.pgn"
  check "stalemate: no line" "" "$("$cli" analyse --fen '7k/5Q2/6K1/8/8/8/8/8 b - - 0 1' --depth 4)"
else
  echo "skip the real engine's checks: stockfish is not installed"
fi

for engine_case in "/no/such/engine:good" "$fake:crash" "$fake:garbage" "/bin/true:good"; do
  path=${engine_case%:*}
  err=$(FAKE_ENGINE_MODE=${engine_case##*:} timeout 20 "$cli" analyse --fen "$start" --depth 3 --engine "$path" 2>&1 >/dev/null)
  rc=$?
  check "$engine_case: status 1" 1 "$rc"
  check "$engine_case: one line" 1 "$(printf '%s\n' "$err" | wc -l)"
done
"$cli" analyse --depth 3 >/dev/null 2>&1; check "no position" 2 "$?"
"$cli" analyse --fen "$start" --depth 0 >/dev/null 2>&1; check "depth 0" 2 "$?"
"$cli" analyse --fen "$start" --multipv x >/dev/null 2>&1; check "bad multipv" 2 "$?"
"$cli" analyse --fen 'x y' >/dev/null 2>&1; check "bad FEN" 1 "$?"
"$cli" help analyse | grep -q '^usage: quarzel-cli analyse'; check "help analyse" 0 "$?"
exit $fail
