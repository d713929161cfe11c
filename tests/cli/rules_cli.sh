#!/usr/bin/env bash
# quarzel-cli fen and perft: output, exit codes, usage errors.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}

check "fen round trip" "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1" \
  "$("$cli" fen 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1')"
check "fen half-move clock written as 0" "4k3/8/8/8/8/8/8/4K3 w - - 0 37" "$("$cli" fen '4k3/8/8/8/8/8/8/4K3 w - - 12 37')"
check "fen 88" "8/8/8/8/8/8/8/8 w - - 0 1" "$("$cli" fen '8/8/8/8/8/88/8 w - - 0 1')"

err=$("$cli" fen '8/8/8 w - - 0 1' 2>&1 >/dev/null); rc=$?
check "fen rejected exit" 1 "$rc"
check "fen rejected message is one line" 1 "$(printf '%s\n' "$err" | wc -l)"

"$cli" fen >/dev/null 2>&1; check "fen without text" 2 "$?"
"$cli" fen a b >/dev/null 2>&1; check "fen with two texts" 2 "$?"
"$cli" perft 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1' x >/dev/null 2>&1; check "perft bad depth" 2 "$?"
"$cli" perft 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1' -1 >/dev/null 2>&1; check "perft negative depth" 2 "$?"
"$cli" nosuchcommand >/dev/null 2>&1; check "unknown command" 2 "$?"
"$cli" >/dev/null 2>&1; check "no command" 2 "$?"
"$cli" --help | grep -q '^  perft' ; check "help lists perft" 0 "$?"

check "perft start 3" 8902 "$("$cli" perft 'rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1' 3)"
check "perft kiwipete 2" 2039 "$("$cli" perft 'r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1' 2)"
check "perft depth 0" 1 "$("$cli" perft '8/8/8/8/8/8/8/8 w - - 0 1' 0)"
exit $fail
