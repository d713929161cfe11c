#!/usr/bin/env bash
# Low memory: every command, run with its address space capped below what
# a game with a 60 MB comment or 16 MB of moves needs, answers "Not enough memory" (status 1)
# or does its work (status 0); never a crash. replay says which game it
# could not load, goes on with the others and ends with status 1; a game of
# plain moves it replays from its text, within 5 times the game's size.
set -u
cli="${QUARZEL_BIN_DIR:?}/quarzel-cli"
[ -x "$cli" ] || { echo "no $cli"; exit 77; }
command -v prlimit >/dev/null || { echo "prlimit is not installed: low-memory test skipped"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail=0
big="$work/big.pgn"
{
  printf '[Event "a"]\n\n1. e4 e5 *\n\n[Event "big"]\n\n1. e4 {'
  head -c 60000000 /dev/zero | tr '\0' 'x'
  printf '} (1. d4) e5 *\n\n[Event "c"]\n\n1. d4 *\n'   # the variation: the loader reads it
} > "$big"
# A game of 16 MB of plain moves: its tree needs more than the cap.
moves="$work/moves.pgn"
{ printf '[Event "a"]\n\n1. e4 e5 *\n\n[Event "moves"]\n\n'
  yes '1. Nf3 Nf6 2. Ng1 Ng8' | head -n 750000 | tr '\n' ' '; printf '*\n'; } > "$moves"
limit=250000000
for command in "pgn % 2" "notation % 2" "notation % 2 --png $work/m.png" "replay %" "replay @" "pgn @ 2" "notation @ 2" "game @ 2" "list @" "count @" "search @ --text big" \
               "search @ --fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR_b_KQkq_-_0_1" "graph @ 2 $work/g.png" \
               "notation @ 2 --png $work/n.png" "board --game @ 2 $work/b.png"; do
  read -r -a words <<< "${command//@/$big}"
  words=("${words[@]//%/$moves}")
  words=("${words[@]//_/ }")
  QT_QPA_PLATFORM=offscreen timeout 60 prlimit --as=$limit "$cli" "${words[@]}" > "$work/out" 2> "$work/err"
  rc=$?
  case $rc in
    0) ;;
    1) grep -q "Not enough memory" "$work/err" || { echo "FAIL: $command: status 1 without the memory message: $(head -c 200 "$work/err")"; fail=1; } ;;
    *) echo "FAIL: $command: status $rc under $limit bytes: $(head -c 200 "$work/err")"; fail=1 ;;
  esac
  if [ "$command" = "replay %" ]; then
    grep -q "^2	end	3000000	" "$work/out" || { echo "FAIL: replay of the moves game: status $rc, no end line"; fail=1; }
  fi
  if [ "$command" = "replay @" ]; then
    [ $rc = 1 ] || { echo "FAIL: replay: status $rc, expected 1 for a game it could not load"; fail=1; }
    want=$(printf '1\tstart\n1\tend\n2\terror\t0\n3\tstart\n3\tend')
    got=$(awk -F'\t' '{ if ($2 == "error") print $1 "\t" $2 "\t" $3; else print $1 "\t" $2 }' "$work/out")
    [ "$got" = "$want" ] || { echo "FAIL: replay lines"; printf '%s\n' "$got"; fail=1; }
  fi
done

# The replay of the moves game needs less than 5 times its size on top of
# what the command needs for a game of two moves.
base=60000000
printf '[Event "a"]\n\n1. e4 e5 *\n' > "$work/two.pgn"
until prlimit --as=$base "$cli" replay "$work/two.pgn" > /dev/null 2>&1 || [ $base -gt 1000000000 ]; do
  base=$((base + 10000000))
done
cap=$((base + 5 * $(stat -c %s "$moves")))
prlimit --as=$cap "$cli" replay "$moves" > "$work/out" 2> "$work/err" && grep -q "^2	end	3000000	" "$work/out" ||
  { echo "FAIL: replay of a game of plain moves needs more than 5 times its size ($cap bytes)"; fail=1; }

# A game over the size limit (1 GiB: here a 1.2 GB comment packed into a
# small zstd file) is refused without being read: the commands stay within
# 900 MB. A header search reads only its tags and finds it.
if command -v zstd >/dev/null; then
  { printf '[Event "big"]\n[White "Alpha"]\n\n1. e4 {'; head -c 1200000000 /dev/zero | tr '\0' 'x'
    printf '} e5 *\n\n[Event "small"]\n[White "Beta"]\n\n1. d4 *\n'; } | zstd -q -1 -c > "$work/huge.pgn.zst"
  huge() {  # expected-status expected-output command...
    local want=$1 out=$2; shift 2
    prlimit --as=900000000 "$cli" "$1" "$work/huge.pgn.zst" "${@:2}" > "$work/out" 2> "$work/err"; rc=$?
    got=$(tr '\n' ' ' < "$work/out")
    [ "$rc" = "$want" ] && [ "$got" = "$out" ] ||
      { echo "FAIL: huge game: $*: status $rc, output '$got': $(head -c 200 "$work/err")"; fail=1; }
  }
  d4="rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1"
  huge 0 "1 " search --text alpha
  huge 1 "2	1 " search --fen "$d4"
  huge 1 "" pgn 1
  grep -q "too large" "$work/err" || { echo "FAIL: huge game: pgn gives no reason"; fail=1; }
fi

# An endless game through a pipe is refused at the pipe's cap (1 GiB kept),
# within 1.3 GB of address space: the kept text never takes twice the cap.
yes '1. e4 e5' | prlimit --as=1400000000 "$cli" count - > /dev/null 2> "$work/err"
rc=$?
[ $rc = 1 ] && grep -q "more than 1 GiB" "$work/err" ||
  { echo "FAIL: endless pipe: status $rc: $(head -c 200 "$work/err")"; fail=1; }
exit $fail
