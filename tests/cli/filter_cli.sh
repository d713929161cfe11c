#!/usr/bin/env bash
# quarzel-cli filter: rows as list prints them, the opening criterion and the
# opening command, games written byte for byte
# (CR LF and Latin-1 files, compressed outputs read back), and the outputs
# it refuses.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Three games in CR LF with a Latin-1 name, a comment and stray blank lines.
printf '\r\n[Event "a"]\r\n[White "M\xfcller"]\r\n[Result "1-0"]\r\n\r\n1. e4 {w\xfcrde} e5 1-0\r\n\r\n\r\n' > "$tmp/crlf.pgn"
printf '[Event "b"]\r\n[White "Smith"]\r\n[Result "0-1"]\r\n\r\n1. d4 0-1\r\n\r\n' >> "$tmp/crlf.pgn"
printf '[Event "c"]\r\n[White "M\xdcLLER"]\r\n[Result "1-0"]\r\n\r\n1.e4 e5 1-0' >> "$tmp/crlf.pgn"

check "rows as list prints them" "$("$cli" list "$tmp/crlf.pgn" | sed -n '1p;3p')" \
  "$("$cli" filter "$tmp/crlf.pgn" --result 1-0)"
check "sorted rows" "$("$cli" list "$tmp/crlf.pgn" --sort white --desc | grep -v Smith)" \
  "$("$cli" filter "$tmp/crlf.pgn" --result 1-0 --sort white --desc)"
check "by opening" "$("$cli" filter "$tmp/crlf.pgn" --result 1-0)" "$("$cli" filter "$tmp/crlf.pgn" --opening "KING'S pawn")"
check "opening of a game" "$(printf 'A40\tQueen'"'"'s Pawn Game')" "$("$cli" opening "$tmp/crlf.pgn" 2)"
check "no opening: one line all the same" "$(printf '\t')" "$(printf '[Event "x"]\n\n{1. e4} *' | "$cli" opening - 1)"
"$cli" opening "$tmp/crlf.pgn" 4 2>/dev/null; check "opening: no such game" 1 "$?"
"$cli" opening "$tmp/crlf.pgn" x 2>/dev/null; check "opening: N no number" 2 "$?"
check "duplicates by moves" "1" "$("$cli" filter "$tmp/crlf.pgn" --result 1-0 --no-duplicates --white m | cut -f1)"

expected=$(printf '[Event "a"]\r\n[White "M\xfcller"]\r\n[Result "1-0"]\r\n\r\n1. e4 {w\xfcrde} e5 1-0\r\n\r\n[Event "c"]\r\n[White "M\xdcLLER"]\r\n[Result "1-0"]\r\n\r\n1.e4 e5 1-0\r\n' | od -c)
"$cli" filter "$tmp/crlf.pgn" --result 1-0 --out "$tmp/out.pgn"
check "written byte for byte" "$expected" "$(od -c < "$tmp/out.pgn")"
check "to standard output" "$expected" "$("$cli" filter "$tmp/crlf.pgn" --result 1-0 --out - | od -c)"
for ext in gz bz2 xz zst; do
  "$cli" filter "$tmp/crlf.pgn" --result 1-0 --out "$tmp/out.pgn.$ext"
  check "$ext read back" "$("$cli" list "$tmp/out.pgn")" "$("$cli" list "$tmp/out.pgn.$ext")"
  check "$ext game text" "$("$cli" game "$tmp/out.pgn" 2 | od -c)" "$("$cli" game "$tmp/out.pgn.$ext" 2 | od -c)"
done
gzip -c "$tmp/crlf.pgn" > "$tmp/crlf.pgn.gz"
check "from a compressed file" "$expected" "$("$cli" filter "$tmp/crlf.pgn.gz" --result 1-0 --out - | od -c)"
# A game longer than the writer's block is copied in pieces, its blank lines cut all the same.
{ printf '[Event "big"]\n\n1. e4 {'; head -c 9000000 /dev/zero | tr '\0' x; printf '} e5 1-0  \n\n\n'; } > "$tmp/big.pgn"
"$cli" filter "$tmp/big.pgn" --out "$tmp/big-out.pgn"
check "a long game" "$(head -c -2 "$tmp/big.pgn" | md5sum)" "$(md5sum < "$tmp/big-out.pgn")"

# Refusals: status 1 and nothing written.
ln -s "$tmp/crlf.pgn" "$tmp/link.pgn"
before=$(md5sum < "$tmp/crlf.pgn")
"$cli" filter "$tmp/crlf.pgn" --out "$tmp/link.pgn" --force 2>/dev/null; check "the input through a link" 1 "$?"
"$cli" filter "$tmp/link.pgn" --out "$tmp/crlf.pgn" --force 2>/dev/null; check "the input under its own name" 1 "$?"
check "input untouched" "$before" "$(md5sum < "$tmp/crlf.pgn")"
echo old > "$tmp/exists.pgn"
"$cli" filter "$tmp/crlf.pgn" --out "$tmp/exists.pgn" 2>/dev/null; check "an existing file" 1 "$?"
check "existing file kept" old "$(cat "$tmp/exists.pgn")"
"$cli" filter "$tmp/crlf.pgn" --out "$tmp/exists.pgn" --force; check "--force writes over it" 3 "$("$cli" count "$tmp/exists.pgn")"
mkdir "$tmp/locked" && chmod 555 "$tmp/locked"
locked="$tmp/locked"
[ "$(id -u)" = 0 ] && locked=/proc/self  # root writes any folder but this one
"$cli" filter "$tmp/crlf.pgn" --out "$locked/out.pgn" 2>/dev/null; check "an unwritable folder" 1 "$?"
check "nothing left there" "" "$(ls -A "$tmp/locked")"
# A failure at the end (the name is a folder) leaves no temporary file behind.
mkdir "$tmp/folder.pgn"
"$cli" filter "$tmp/crlf.pgn" --out "$tmp/folder.pgn" --force 2>/dev/null; check "a folder's name" 1 "$?"
check "no half file" "" "$(ls -A "$tmp" | grep folder.pgn. )"
# A full disk (a tmpfs of 64 KiB, where the system lets us mount one): the
# failure is told, and neither the file nor a temporary one is left.
mkdir "$tmp/full"
if mount -t tmpfs -o size=64k tmpfs "$tmp/full" 2>/dev/null; then
  for i in $(seq 1 400); do printf '[Event "e%d"]\n[White "%0200d"]\n\n1. e4 e5 *\n\n' "$i" 0; done > "$tmp/many.pgn"
  "$cli" filter "$tmp/many.pgn" --out "$tmp/full/out.pgn" 2> "$tmp/err"; check "a full disk" 1 "$?"
  check "a full disk is told" 1 "$(grep -c 'space\|write' "$tmp/err")"
  check "nothing left on the full disk" "" "$(ls -A "$tmp/full")"
  umount "$tmp/full"
else
  echo "skip: no tmpfs could be mounted here (not root), the full-disk check skipped"
fi
"$cli" filter "$tmp/crlf.pgn" --years 1999-1990 >/dev/null 2>&1; check "bad year range" 1 "$?"
"$cli" filter "$tmp/crlf.pgn" --desc >/dev/null 2>&1; check "--desc without --sort" 2 "$?"
exit $fail
