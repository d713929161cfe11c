#!/usr/bin/env bash
# quarzel-cli tree: the rows and their format, --moves and --fen, usage
# errors, and the cache: written only to $XDG_CACHE_HOME/quarzel, used while
# the file is unchanged (by search --fen too), not used once it changed,
# neither read nor written with --no-cache; the game file is never touched.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
export XDG_CACHE_HOME="$tmp/cache"

printf '%s\n' '[Date "2001.01.01"]' '[Result "1-0"]' '[WhiteElo "2500"]' '[BlackElo "2300"]' '' '1. e4 e5 2. Nf3 1-0' '' \
  '[Date "2004.??.??"]' '[Result "1/2-1/2"]' '[WhiteElo "2600"]' '[BlackElo "2500"]' '' '1. e4 c5 1/2-1/2' '' \
  '[Result "0-1"]' '' '1. d4 d5 *' '' > "$tmp/g.pgn"
sum=$(md5sum < "$tmp/g.pgn")
check "start" "$(printf 'e4\t2\t1\t1\t0\t75\t2550\t2600\t2001\t2004\nd4\t1\t0\t0\t1\t0\t\t\t\t')" "$("$cli" tree "$tmp/g.pgn")"
check "one cache file" 1 "$(ls "$XDG_CACHE_HOME/quarzel" | grep -c '\.tree$')"
check "after --moves, move numbers allowed" "$(printf 'c5\t1\t0\t1\t0\t50\t2500\t2600\t2004\t2004\ne5\t1\t1\t0\t0\t0\t2300\t2100\t2001\t2001')" \
  "$("$cli" tree "$tmp/g.pgn" --moves '1. e4')"
check "--fen" "$(printf 'd5\t1\t0\t0\t1\t100\t\t\t\t')" \
  "$("$cli" tree "$tmp/g.pgn" --fen 'rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1')"
out=$("$cli" tree "$tmp/g.pgn" --moves 'a4'); check "no game reaches it" "0:" "$?:$out"
"$cli" tree "$tmp/g.pgn" --moves 'e4 e5 Ke3' > /dev/null 2> "$tmp/err"; check "illegal move: usage" 2 "$?"
check "illegal move named" 1 "$(grep -c 'Ke3' "$tmp/err")"
"$cli" tree "$tmp/g.pgn" --fen 'x' > /dev/null 2>&1; check "bad FEN" 1 "$?"
"$cli" tree - < "$tmp/g.pgn" > /dev/null 2>&1; check "no pipe" 2 "$?"
"$cli" tree "$tmp/none.pgn" > /dev/null 2>&1; check "missing file" 1 "$?"
check "search from the cache" "$("$cli" search "$tmp/g.pgn" --fen 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1' --no-cache)" \
  "$("$cli" search "$tmp/g.pgn" --fen 'rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1')"

# A database: its games counted like a file's, nothing written beside it.
cp "$QUARZEL_TEST_DATA_DIR/ccf_sample.ccf" "$tmp/db.ccf"
check "database" "$(printf 'e4\t2\t2\t0\t0\t100\t\t\t1851\t1851')" "$("$cli" tree "$tmp/db.ccf")"
check "database from the cache" "e5" "$("$cli" tree "$tmp/db.ccf" --moves e4 | cut -f1)"
check "nothing beside the database" "db.ccf" "$(ls "$tmp" | grep '^db')"

# Changed: the cache made for the old file is not used.
printf '%s\n' '[Result "1-0"]' '' '1. e4 e5 1-0' >> "$tmp/g.pgn"
sum=$(md5sum < "$tmp/g.pgn")
check "stale cache not used" "$(printf 'e4\t3\t2\t1\t0\t83')" "$("$cli" tree "$tmp/g.pgn" | head -1 | cut -f1-6)"
check "the game file untouched" "$sum" "$(md5sum < "$tmp/g.pgn")"

export XDG_CACHE_HOME="$tmp/cache2"
"$cli" tree "$tmp/g.pgn" --no-cache > /dev/null
check "--no-cache writes nothing" "no" "$([ -e "$XDG_CACHE_HOME" ] && echo yes || echo no)"
exit $fail
