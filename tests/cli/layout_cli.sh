#!/usr/bin/env bash
# quarzel-cli pgn and notation on the project's own sample games.
set -u
cli="${QUARZEL_BIN_DIR:?}/quarzel-cli"
data="${QUARZEL_TEST_DATA_DIR:?}/layout_sample.pgn"
[ -x "$cli" ] || { echo "no $cli"; exit 77; }
fail=0
check() {  # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"; echo "--- expected"; printf '%s\n' "$2"; echo "--- got"; printf '%s\n' "$3"; fail=1
    fi
}
status() {  # name expected-code command...
    local name=$1 want=$2; shift 2
    "$@" >/dev/null 2>&1; local got=$?
    [ "$got" = "$want" ] || { echo "FAIL: $name: exit $got, expected $want"; fail=1; }
}

tab=$'\t'
check "notation rows" "Font0VarBold${tab}{Played in the last round}  1.e4 e5 2.Nf3 Nc6 3.Bb5 
Font1Var${tab}[3.Bc4 Bc5 
Font2Var${tab}(3...Nf6 4.Ng5) 
Font1Var${tab}4.c3] 
Font0VarBold${tab}3...a6!? 4.Ba4 Nf6 {The main line} 5.O-O Be7  
Font0Var${tab} 
FontHeadLine${tab}1-0" "$("$cli" notation "$data" 1)"

check "notation width german headline" "FontHeadLine${tab}Alpha - Beta 
FontHeadLine${tab}Club Open, Brno, 
FontHeadLine${tab}1999 
FontHeadLine${tab} 
Font0VarBold${tab}{Played in the last 
Font0VarBold${tab}round}  1.e4 e5 2.Sf3 
Font0VarBold${tab}Sc6 3.Lb5 
Font1Var${tab}[3.Lc4 Lc5 
Font2Var${tab}(3.
Font2Var${tab}..S
Font2Var${tab}f6 
Font2Var${tab}4.S
Font2Var${tab}g5) 
Font1Var${tab}4.c3] 
Font0VarBold${tab}3...a6!? 4.La4 Sf6 
Font0VarBold${tab}{The main line} 5.O-O 
Font0VarBold${tab}Le7  
Font0Var${tab} 
FontHeadLine${tab}1-0" "$("$cli" notation "$data" 1 --width 24 --german --headline)"

check "notation black start" "Font0Var${tab}23...Kf7 24.Rd1z Ke6  
Font0Var${tab} 
FontHeadLine${tab}*" "$("$cli" notation "$data" 2)"
# As drawn: the glyph as its symbol, the braces gone.
check "notation shown" "Font0Var${tab}23...Kf7 24.Rd1N Ke6  " "$("$cli" notation "$data" 2 --shown | head -1)"
check "notation shown comment" "Font0VarBold${tab}Played in the last round  1.e4 e5 2.Nf3 Nc6 3.Bb5 " \
  "$("$cli" notation "$data" 1 --shown | head -1)"

# The picture of the notation, at the main window's size or the one asked for.
pic="$(mktemp -d)"
trap 'rm -rf "$pic"' EXIT
QT_QPA_PLATFORM=offscreen "$cli" notation "$data" 1 --png "$pic/n.png" --width 200 --height 120 2>/dev/null
check "png size" "200 120" "$(od -An -tu1 -j16 -N8 "$pic/n.png" 2>/dev/null | awk '{print $3*256+$4, $7*256+$8}')"
# A game with clocks opens the graph pane beside the notation: the size asked for holds all the same.
printf '[Event "x"]\n\n1. e4 {[%%clk 1:30:00]} e5 {[%%eval 0.3]} *\n' > "$pic/clk.pgn"
QT_QPA_PLATFORM=offscreen "$cli" notation "$pic/clk.pgn" 1 --png "$pic/c.png" --width 600 --height 500 2>/dev/null
check "png size with clocks" "600 500" "$(od -An -tu1 -j16 -N8 "$pic/c.png" 2>/dev/null | awk '{print $3*256+$4, $7*256+$8}')"
# The picture commands' runtime folder: a fresh private one, removed at the
# end; a link at the old fixed name is neither followed nor changed.
tmp="$pic/tmp"; mkdir -m 700 "$tmp"; touch "$pic/victim"; chmod 644 "$pic/victim"
ln -s "$pic/victim" "$tmp/quarzel-runtime-$(id -u)"
env -u XDG_RUNTIME_DIR TMPDIR="$tmp" QT_QPA_PLATFORM=offscreen "$cli" notation "$data" 1 --png "$pic/r.png" 2>/dev/null
check "runtime folder: the link's target keeps its mode" "644" "$(stat -c %a "$pic/victim")"
check "runtime folder: nothing left behind" "quarzel-runtime-$(id -u)" "$(ls "$tmp")"
[ -s "$pic/r.png" ] || { echo "FAIL: runtime folder: no picture"; fail=1; }
status "notation height without png" 2 "$cli" notation "$data" 1 --height 100
status "notation png unwritable" 1 env QT_QPA_PLATFORM=offscreen "$cli" notation "$data" 1 --png /nonexistent/dir/n.png

expected_pgn=$(printf '%s\n' '[Event "Second"]' '[Site "?"]' '[Date "????.??.??"]' '[Round "?"]' \
  '[White "Gamma"]' '[Black "Delta"]' '[Result "*"]' '[FEN "8/6k1/8/8/8/8/3R1K2/8 b - - 0 23"]' '[SetUp "1"]' \
  '' '23...Kf7 24.Rd1 $146 Ke6   *' | od -c)
check "pgn bytes" "$expected_pgn" "$("$cli" pgn "$data" 2 | od -c)"
out=$("$cli" pgn "$data" 1 | tr '\n' ' ')
case "$out" in
  *'3.Bb5 (3.Bc4 Bc5 (3...Nf6 4.Ng5) 4.c3) 3...a6 $5'*) ;;
  *) echo "FAIL: pgn movetext"; printf '%s\n' "$out"; fail=1 ;;
esac

status "pgn without N" 2 "$cli" pgn "$data"
status "pgn N zero" 2 "$cli" pgn "$data" 0
status "pgn N not a number" 2 "$cli" pgn "$data" x
status "notation width missing" 2 "$cli" notation "$data" 1 --width
status "notation width zero" 2 "$cli" notation "$data" 1 --width 0
status "notation unknown option" 2 "$cli" notation "$data" 1 --bogus
status "pgn game past the end" 1 "$cli" pgn "$data" 3
status "pgn missing file" 1 "$cli" pgn /nonexistent/file.pgn 1
status "notation missing file" 1 "$cli" notation /nonexistent/file.pgn 1
exit $fail
