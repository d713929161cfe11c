#!/bin/bash
# quarzel-cli count, list and game: the viewer's scanner and row texts on the
# command line.
set -u
CLI="${QUARZEL_BIN_DIR:?}/quarzel-cli"
SAMPLE="${QUARZEL_EXAMPLES_DIR:?}/matches.pgn"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
fail=0
expect() {  # expect NAME ACTUAL EXPECTED
    if [ "$2" == "$3" ]; then echo "ok: $1"; else printf 'FAIL: %s\n  got:      %q\n  expected: %q\n' "$1" "$2" "$3"; fail=1; fi
}

expect "count of the sample" "$("$CLI" count "$SAMPLE")" "5"
expect "count writes nothing on a non-terminal stderr" "$("$CLI" count "$SAMPLE" 2>&1 >/dev/null)" ""
expect "list row of a game from a FEN" "$("$CLI" list "$SAMPLE" | sed -n 3p)" \
    "$(printf '3\tStudy - \tEndgame Study Evening, Riverside\t2020\t1-0')"
expect "list row of a draw" "$("$CLI" list "$SAMPLE" | sed -n 1p)" \
    "$(printf '1\tHallstrom, Edda - Okafor, Jide\tQuarzel Club Championship, Riverside\t2019\t1/2')"
expect "list row without a site" "$("$CLI" list "$SAMPLE" | sed -n 4p | cut -f3)" "Quarzel Club Championship"
expect "game text starts at its Event tag" "$("$CLI" game "$SAMPLE" 5 | head -1)" '[Event "Blitz"]'
expect "game text ends without blank lines" "$("$CLI" game "$SAMPLE" 5 | tail -1)" '1. f3 e5 2. g4?? Qh4# {The shortest mate.} 0-1'
"$CLI" game "$SAMPLE" 6 >/dev/null 2>&1
expect "game after the last one fails" "$?" "1"
"$CLI" game "$SAMPLE" 0 >/dev/null 2>&1
expect "game 0 fails" "$?" "1"
"$CLI" game "$SAMPLE" x >/dev/null 2>&1
expect "game number that is not a number is a usage error" "$?" "2"
"$CLI" count >/dev/null 2>&1
expect "count without a file is a usage error" "$?" "2"

"$CLI" count "$WORK/missing.pgn" >/dev/null 2>"$WORK/err"
expect "missing file fails" "$?" "1"
expect "missing file is not created" "$([ -e "$WORK/missing.pgn" ] && echo created)" ""
expect "missing file message names it" "$(grep -c missing.pgn "$WORK/err")" "1"
mkdir "$WORK/folder.pgn"
"$CLI" list "$WORK/folder.pgn" >/dev/null 2>&1
expect "a folder fails" "$?" "1"
head -c 100000 /dev/urandom | tr -d '[' >"$WORK/binary.pgn"
"$CLI" count "$WORK/binary.pgn" >/dev/null 2>&1
expect "a binary file fails" "$?" "1"
cp "$WORK/binary.pgn" "$WORK/before"
cmp -s "$WORK/binary.pgn" "$WORK/before"
expect "a refused file is left as it was" "$?" "0"

printf '[Event "Caf\xe9"]\n[White "M\xfcller"]\n\n1. e4 *\n' >"$WORK/latin1.pgn"
expect "Latin-1 header printed as UTF-8" "$("$CLI" list "$WORK/latin1.pgn")" \
    "$(printf '1\tM\xc3\xbcller - N.N.\tCaf\xc3\xa9\t\t*')"
printf '[Event "E"]\r[White "A"]\r\r1. e4 *\r[Event "F"]\r\r1. d4 *\r' >"$WORK/cr.pgn"
expect "CR-only line ends: two games" "$("$CLI" count "$WORK/cr.pgn")" "2"
: >"$WORK/empty.pgn"
expect "empty file has no games" "$("$CLI" count "$WORK/empty.pgn")" "0"
expect "empty file lists nothing" "$("$CLI" list "$WORK/empty.pgn")" ""

if [ -d "${QUARZEL_SHARED_PGN_DIR:-/nonexistent}" ]; then
    checked=0
    while IFS= read -r -d '' f; do
        if n=$("$CLI" count "$f" 2>/dev/null); then
            expect "list and count agree on $(basename "$f")" "$("$CLI" list "$f" | wc -l)" "$n"
            checked=$((checked + 1))
        fi
    done < <(find "$QUARZEL_SHARED_PGN_DIR" -name '*.pgn' -print0 | sort -z)
    [ "$checked" -gt 0 ] || { echo "FAIL: no shared file could be read"; fail=1; }
else
    echo "skipped: ../shared/pgn is absent, real-file checks not run"
fi
exit $fail
