#!/usr/bin/env bash
# quarzel-cli count, list, game, pgn, notation and replay on a ".ccf" chess game database: the
# same game list code as the viewer, the index built beside the data file,
# the data file left unchanged, and a database in use refused.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
sample="$QUARZEL_TEST_DATA_DIR/ccf_sample.ccf"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
has() { "$cli" --help 2>/dev/null | grep -q "^  $1 "; }

[ -x "$cli" ] || { echo "quarzel-cli not built"; exit 77; }
[ -f "$sample" ] || { echo "sample database missing"; exit 77; }
has count || has list || has game || has pgn || { echo "no listing command built"; exit 77; }

work=$(mktemp -d)
holder=""
cleanup() {
  [ -n "$holder" ] && kill "$holder" 2>/dev/null
  chmod -R u+w "$work" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cp "$sample" "$work/s.ccf"

if has count; then
  check "count: live games" 3 "$("$cli" count "$work/s.ccf")"
  check "index built beside the data" 96 "$(stat -c %s "$work/s.ccfidx")"
  check "lock file gone after exit" no "$([ -e "$work/s.ccftmp" ] && echo yes || echo no)"
  cmp -s "$sample" "$work/s.ccf"; check "data file unchanged" 0 "$?"
  check "count again with the index" 3 "$("$cli" count "$work/s.ccf")"
fi

if has list; then
  out=$("$cli" list "$work/s.ccf")
  check "list: one line per index entry" 4 "$(printf '%s\n' "$out" | wc -l)"
  check "list: compact game" "1	Anderssen, A - Kieseritzky, L	London	1851	1-0" "$(printf '%s\n' "$out" | sed -n 1p)"
  check "list: PGN record" "2	Morphy, P - Duke	Plain		1-0" "$(printf '%s\n' "$out" | sed -n 2p)"
  # The table's order through the list's own reader: names folded, empty years last.
  check "list --sort white" "1 4 2 3" "$("$cli" list "$work/s.ccf" --sort white | cut -f1 | tr '\n' ' ' | sed 's/ $//')"
  check "list --sort date --desc: empty dates last, by number" "1 2 3 4" "$("$cli" list "$work/s.ccf" --sort Date --desc | cut -f1 | tr "\n" " " | sed "s/ $//")"
  check "list --sort opening --desc: names from the records, none last" "2 1 3 4" \
    "$("$cli" list "$work/s.ccf" --sort opening --desc | cut -f1 | tr "\n" " " | sed "s/ $//")"
  "$cli" list "$work/s.ccf" --sort variation >/dev/null 2>&1; check "list: unknown column" 1 "$?"
  "$cli" list "$work/s.ccf" --desc >/dev/null 2>&1; check "list: --desc without --sort" 2 "$?"
fi

if has game; then
  out=$("$cli" game "$work/s.ccf" 1)
  check "game: header from compact fields" 1 "$(printf '%s\n' "$out" | grep -c '^\[Date "1851.06.21"\]')"
  check "game: moves and comment" 1 "$(printf '%s\n' "$out" | grep -c 'e2-e4 e7-e5 f2-f4 exf4 Bc4 {MATCH}')"
  out=$("$cli" game "$work/s.ccf" 2)
  check "game: PGN record unchanged" '[Event "Plain"]' "$(printf '%s\n' "$out" | sed -n 1p | tr -d '\r')"
  out=$("$cli" game "$work/s.ccf" 4)
  check "game: last row, after a deleted game" 1 "$(printf '%s\n' "$out" | grep -c ' 7... Kd7 e2-e4 ')"
  "$cli" game "$work/s.ccf" 5 >/dev/null 2>&1; check "game: past the last row" 1 "$?"
fi

if has pgn; then
  out=$("$cli" pgn "$work/s.ccf" 1)
  check "pgn: loaded and written back" 1 "$(printf '%s\n' "$out" | grep -c '^1.e4 e5 2.f4 exf4 3.Bc4 {MATCH}')"
  out=$("$cli" pgn "$work/s.ccf" 4)
  check "pgn: last row, after a deleted game; Black to move from a FEN" 1 "$(printf '%s\n' "$out" | grep -c '^7...Kd7 8.e4')"
fi
# Every command numbers database games by list row.
if has notation; then
  out=$("$cli" notation "$work/s.ccf" 4)
  check "notation: last row, after a deleted game" 1 "$(printf '%s\n' "$out" | grep -c '7...Kd7 8.e4')"
fi
if has replay; then
  check "replay: every row" "1 2 3 4" "$("$cli" replay "$work/s.ccf" | awk '$2 == "start" { printf "%s%s", s, $1; s = " " }')"
fi

# search reads a database like its PGN (read-only, the deleted row never a hit).
if has search && has pgn; then
  for n in 1 2 3 4; do "$cli" pgn "$work/s.ccf" "$n"; echo; done > "$work/s.pgn"
  e4e5="rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"
  check "search --fen: the hits of its PGN" "$("$cli" search "$work/s.pgn" --fen "$e4e5")" "$("$cli" search "$work/s.ccf" --fen "$e4e5")"
  check "search --text: every live row" "1 2 4" "$("$cli" search "$work/s.ccf" --text "" | tr '\n' ' ' | sed 's/ $//')"
  check "search --mark: the tags pgn writes" "$("$cli" pgn "$work/s.ccf" 1 | sed -n '/^\[/p')" \
    "$("$cli" search "$work/s.ccf" --fen "$e4e5" --mark | sed -n '1,/^$/{/^\[/p}')"
  # Nothing written: no index the database lacks, no lock file, not even for a moment.
  mkdir "$work/ro"; cp "$sample" "$work/ro/y.ccf"
  for args in "--text a" "--fen $e4e5" "--fen $e4e5 --mark"; do
    # shellcheck disable=SC2086 # the words of $args are the arguments
    : > "$work/events"; watcher=""
    if command -v inotifywait >/dev/null; then
      inotifywait -q -m -e create "$work/ro" > "$work/events" 2>/dev/null & watcher=$!
      sleep 0.3
    fi
    "$cli" search "$work/ro/y.ccf" $args >/dev/null
    [ -n "$watcher" ] && { sleep 0.3; kill "$watcher" 2>/dev/null; wait "$watcher" 2>/dev/null; }
    check "search $args writes nothing" "y.ccf" "$(ls "$work/ro" | tr '\n' ' ' | sed 's/ $//')$(cat "$work/events")"
  done
fi

# A command refused for its arguments writes nothing, not even the index of a
# database that has none or the zero its data file lacks.
for args in "search @ --fen bad" "search @ --text a --exact" "search @ --text a --mark {x}" "game @ abc" \
            "pgn @ 0" "list @ --desc" "replay @ extra" "notation @ 1 --width -5" "board --game @ 1 o.png --size 5" \
            "graph @ 1 g.png --width 0" "count @ extra"; do
  head -c -1 "$sample" > "$work/n.ccf"
  # shellcheck disable=SC2086 # the words of $args are the arguments
  "$cli" ${args//@/$work/n.ccf} >/dev/null 2>&1
  check "refused, nothing written: $args" "$(( $(stat -c %s "$sample") - 1 )) no" \
    "$(stat -c %s "$work/n.ccf") $([ -e "$work/n.ccfidx" ] && echo yes || echo no)"
  rm -f "$work/n.ccf" "$work/n.ccfidx"
done

# Another process holding the database open keeps us out.
if has count && command -v flock >/dev/null; then
  # The sleeping process itself holds the locked descriptor.
  bash -c 'exec 9>"$1"; flock 9; exec sleep 30' _ "$work/s.ccftmp" &
  holder=$!
  for _ in $(seq 50); do [ -e "$work/s.ccftmp" ] && break; sleep 0.1; done
  sleep 0.2
  err=$("$cli" count "$work/s.ccf" 2>&1 >/dev/null); rc=$?
  check "in use: refused" 1 "$rc"
  check "in use: one-line reason" 1 "$(printf '%s\n' "$err" | grep -c 'in use')"
  kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null; holder=""
  check "free again" 3 "$("$cli" count "$work/s.ccf")"
fi

if has count; then
  # An index that is not ours: refused, nothing written.
  cp "$sample" "$work/f.ccf"
  head -c 64 /dev/zero | tr '\0' 'x' > "$work/f.ccfidx"
  "$cli" count "$work/f.ccf" >/dev/null 2>&1; check "foreign index refused" 1 "$?"
  check "foreign index untouched" xxxxxxxx "$(head -c 8 "$work/f.ccfidx")"
  check "no lock left" no "$([ -e "$work/f.ccftmp" ] && echo yes || echo no)"

  # A missing database is not created by the command-line tools.
  "$cli" count "$work/none.ccf" >/dev/null 2>&1; check "missing file refused" 1 "$?"
  check "missing file not created" no "$([ -e "$work/none.ccf" ] && echo yes || echo no)"

  # Write-protected files are read and keep their protection.
  cp "$sample" "$work/r.ccf"
  "$cli" count "$work/r.ccf" >/dev/null
  chmod 444 "$work/r.ccf" "$work/r.ccfidx"
  check "read-only database" 3 "$("$cli" count "$work/r.ccf")"
  check "read-only kept" "444 444" "$(stat -c %a "$work/r.ccf") $(stat -c %a "$work/r.ccfidx")"

  # A data file whose last record lost its end: indexed again, one zero appended.
  head -c -5 "$sample" > "$work/t.ccf"
  check "truncated data file" 3 "$("$cli" count "$work/t.ccf")"
  check "one zero appended" "$(( $(stat -c %s "$sample") - 4 ))" "$(stat -c %s "$work/t.ccf")"

  "$cli" count >/dev/null 2>&1; check "usage error" 2 "$?"
fi
exit $fail
