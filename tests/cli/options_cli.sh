#!/usr/bin/env bash
# The programs' options: --version, --help of the viewer without a display,
# help for every registered command, and FILE "-" reading standard input as
# it comes, without a copy anywhere.
set -u
cli="$QUARZEL_BIN_DIR/quarzel-cli"
viewer="$QUARZEL_BIN_DIR/quarzel"
sample="$QUARZEL_EXAMPLES_DIR/matches.pgn"
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok   $1"; fi
}
[ -x "$cli" ] && [ -x "$viewer" ] || { echo "SKIP: programs not built"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR="$work/tmp"
mkdir "$TMPDIR"

version=$("$viewer" --version | sed -n 's/^quarzel (Quarzel PGN Viewer) //p')
check "viewer version is a number" 1 "$(printf '%s' "$version" | grep -Ec '^[0-9]+\.[0-9]+')"
check "cli version is the viewer's" "quarzel-cli (Quarzel PGN Viewer) $version" "$("$cli" --version)"

# Without any display a window cannot even be tried: help must not need one.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$viewer" --help 2>"$work/err"); rc=$?
check "viewer --help without a display exits 0" 0 "$rc"
check "viewer --help prints the usage" "usage: quarzel [--help | --version] [--] [FILE]" "$(printf '%s\n' "$out" | head -1)"
check "viewer --help writes nothing on stderr" "" "$(cat "$work/err")"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$viewer" --bogus >/dev/null 2>&1
check "viewer with an unknown option and no display: usage error" 2 "$?"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$viewer" "$sample" >/dev/null 2>"$work/err"
check "viewer without a display says so" "1 1" "$? $(grep -c 'no display' "$work/err")"

# "--" ends the options: a file name may start with "-".
cp "$sample" "$work/-weird.pgn"
check "count -- -weird.pgn" "$("$cli" count "$sample")" "$(cd "$work" && "$cli" count -- -weird.pgn)"

# Help is part of each command's registration: every listed command has it.
for name in $("$cli" --help | sed -n 's/^  \([a-z][a-z0-9-]*\) .*/\1/p'); do
  check "help $name" "usage: quarzel-cli $name" "$("$cli" help "$name" | head -1 | cut -d' ' -f1-3)"
  check "$name --help is help $name" "$("$cli" help "$name")" "$("$cli" "$name" --help)"
done
"$cli" help nosuchcommand >/dev/null 2>&1; check "help of an unknown command" 2 "$?"

# "-" reads standard input: the same output as from the file, whether it is a
# redirected file, a pipe read in one pass, or a compressed pipe.
gzip -c "$sample" >"$work/sample.gz"
for cmd in "count" "list" "game 2" "replay" "pgn 2" "notation 2 --width 30" "search --text a"; do
  set -- $cmd
  name=$1; shift
  expected=$("$cli" "$name" "$sample" "$@")
  check "$name - reads a redirected file" "$expected" "$("$cli" "$name" - "$@" <"$sample")"
  check "$name - reads a pipe" "$expected" "$(cat "$sample" | "$cli" "$name" - "$@")"
  check "$name - reads a gzip pipe" "$expected" "$(cat "$work/sample.gz" | "$cli" "$name" - "$@")"
done
err=$("$cli" game - 99 <"$sample" 2>&1); rc=$?
check "stdin failure names '-'" "1 quarzel-cli: no game 99 in - (5 games)" "$rc $err"
check "empty stdin has no games" 0 "$("$cli" count - </dev/null)"
# A pipe is read as it comes: nothing is written while it is read, nothing is left.
for _ in 1 2 3 4 5 6 7 8; do cat "$sample"; done | "$cli" list - | head -1 >/dev/null
mkfifo "$work/fifo"
"$cli" count - <"$work/fifo" >/dev/null 2>&1 &
pid=$!
exec 3>"$work/fifo"
printf '[Event "x"]\n' >&3
sleep 0.5
check "nothing is written while a pipe is read" "" "$(ls -A "$TMPDIR")"
kill -TERM "$pid"; wait "$pid" 2>/dev/null
exec 3>&-
check "nothing is left behind" "" "$(ls -A "$TMPDIR")"
exit $fail
