#!/bin/bash
# Reading compressed game files: quarzel-cli count of each compressed form
# against its own decompressor writing the text to /dev/null, both from the
# page cache, best of 3 runs; then a game picked at random, shown in the main
# window right after the large many-frame file was opened (browse_bench).
#  - zstd: a file of at least SIZE_MB (default 10240) made from ../shared/pgn
#    (or the project's sample), compressed by pzstd (many frames, each behind
#    a skippable frame with its size, as the big monthly dumps are) and by
#    zstd -T0 (one frame);
#  - gzip, bzip2, xz -T0: the first SMALL_MB (default 512) of it, these
#    tools being slow to compress.
# Usage: bench/compressed_throughput.sh [BUILD_DIR] [SIZE_MB] [SMALL_MB]
# The files go to a scratch folder in $QUARZEL_BENCH_DIR (else $TMPDIR, else
# /tmp): about 1.3 x SIZE_MB of disk; it is removed at the end.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
SIZE_MB=${2:-10240}
SMALL_MB=${3:-512}
CLI="$BUILD/bin/quarzel-cli"
[ -x "$CLI" ] || { echo "build quarzel-cli first ($CLI)"; exit 1; }
for tool in pzstd zstd gzip bzip2 xz bc; do
    command -v $tool >/dev/null || { echo "$tool is not installed (tools/install-deps.sh)"; exit 1; }
done
WORK=$(mktemp -d "${QUARZEL_BENCH_DIR:-${TMPDIR:-/tmp}}/compressedbench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cores=$(nproc 2>/dev/null || echo 2)

SRC=()
if [ -d "$ROOT/../shared/pgn" ]; then
    while IFS= read -r -d '' f; do SRC+=("$f"); done < <(find "$ROOT/../shared/pgn" -name '*.pgn' -print0 | sort -z)
fi
[ ${#SRC[@]} -gt 0 ] || SRC=("$ROOT/examples/matches.pgn")
for f in "${SRC[@]}"; do cat "$f"; printf '\n'; done >"$WORK/big.pgn"
target=$((SIZE_MB * 1024 * 1024))
while [ "$(stat -c %s "$WORK/big.pgn")" -lt "$target" ]; do
    cat "$WORK/big.pgn" "$WORK/big.pgn" >"$WORK/next.pgn"
    mv "$WORK/next.pgn" "$WORK/big.pgn"
done
head -c $((SMALL_MB * 1024 * 1024)) "$WORK/big.pgn" >"$WORK/small.pgn"
echo "compressing (pzstd, zstd -T0, gzip, bzip2, xz -T0) ..."
pzstd -q -p "$cores" "$WORK/big.pgn" -o "$WORK/frames.pgn.zst"
zstd -q -T0 "$WORK/big.pgn" -o "$WORK/single.pgn.zst"
gzip -c "$WORK/small.pgn" >"$WORK/small.pgn.gz"
bzip2 -c "$WORK/small.pgn" >"$WORK/small.pgn.bz2"
xz -T0 -c "$WORK/small.pgn" >"$WORK/small.pgn.xz"
count_plain=$("$CLI" count "$WORK/big.pgn")
big_mb=$(echo "$(stat -c %s "$WORK/big.pgn") / 1048576" | bc -l)
rm -f "$WORK/big.pgn"

best() {  # best wall time in seconds of 3 runs of the command
    local b=""
    for _ in 1 2 3; do
        local s e t
        s=$(date +%s.%N)
        "$@" >/dev/null
        e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc -l)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc -l)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}
decompress() { "$@"; }  # the decompressor's own output, to /dev/null by best()

printf '%-18s %9s %9s %10s %10s %7s  %s\n' file "MB" "text MB" "count s" "decomp s" ratio "decompressor"
row() {  # FILE TEXT_MB DECOMPRESSOR...
    local file=$1 text=$2; shift 2
    cat "$file" >/dev/null  # into the page cache
    local games t_ours t_theirs cpu_ours cpu_theirs
    games=$("$CLI" count "$file")
    t_ours=$(best "$CLI" count "$file")
    t_theirs=$(best "$@" "$file")
    # Processor time (user + system) of one run each: what the machine's other load cannot hide.
    cpu_ours=$( { /usr/bin/time -f '%U %S' "$CLI" count "$file" >/dev/null; } 2>&1 | awk '{print $1 + $2}')
    cpu_theirs=$( { /usr/bin/time -f '%U %S' "$@" "$file" >/dev/null; } 2>&1 | awk '{print $1 + $2}')
    printf '%-18s %9.0f %9.0f %10.3f %10.3f %7.2f  %s  (%s games; processor s %s against %s)\n' "$(basename "$file")" \
        "$(echo "$(stat -c %s "$file") / 1048576" | bc -l)" "$text" "$t_ours" "$t_theirs" \
        "$(echo "$t_ours / $t_theirs" | bc -l)" "$*" "$games" "$cpu_ours" "$cpu_theirs"
}
row "$WORK/frames.pgn.zst" "$big_mb" zstd -dc
row "$WORK/single.pgn.zst" "$big_mb" zstd -dc
row "$WORK/small.pgn.gz" "$SMALL_MB" gzip -dc
row "$WORK/small.pgn.bz2" "$SMALL_MB" bzip2 -dc
row "$WORK/small.pgn.xz" "$SMALL_MB" xz -dc
echo "(ratio = count time / decompressor time, wall clock: at most 1 means the count keeps up with the"
echo " decompressor; $cores cores; the plain text holds $count_plain games)"

if [ -x "$BUILD/bin/browse_bench" ]; then
    echo
    echo "a random game shown right after opening $(basename "$WORK/frames.pgn.zst"):"
    QT_QPA_PLATFORM=offscreen QUARZEL_BENCH_ZST="$WORK/frames.pgn.zst" \
        "$BUILD/bin/browse_bench" --benchmark_filter=Compressed 2>/dev/null | tail -1
fi
