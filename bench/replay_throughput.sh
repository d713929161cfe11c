#!/bin/bash
# Throughput of `quarzel-cli replay` against pgn-extract on the same file of
# at least 100 MB of real games (the files of ../shared/pgn repeated into a
# temporary folder, removed afterwards). Prints both times and the ratio.
# Usage: bench/replay_throughput.sh [BUILD_DIR] [MEGABYTES]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
megabytes="${2:-100}"
cli="$build/bin/quarzel-cli"
shared="${QUARZEL_SHARED_PGN_DIR:-$here/../shared/pgn}"
extract="$(command -v pgn-extract || echo /usr/games/pgn-extract)"
[ -x "$cli" ] || { echo "no $cli: build quarzel-cli first" >&2; exit 1; }
[ -x "$extract" ] || { echo "pgn-extract is not installed" >&2; exit 1; }
[ -d "$shared" ] || { echo "no $shared" >&2; exit 1; }

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
input="$tmp/games.pgn"
# Files the game list reads as PGN (an "[Event " tag), standard chess only,
# each ending with a blank line so that games never run into each other.
mapfile -t files < <(grep -l '^\[Event ' "$shared"/*.pgn "$shared"/marked/*.pgn | grep -v -i -E 'zh|crazy|frc|fischer|960')
: > "$tmp/one.pgn"
for f in "${files[@]}"; do cat "$f" >> "$tmp/one.pgn"; printf '\n\n' >> "$tmp/one.pgn"; done
one=$(stat -c %s "$tmp/one.pgn")
copies=$(( (megabytes * 1000000 + one - 1) / one ))
for ((i = 0; i < copies; i++)); do cat "$tmp/one.pgn"; done > "$input"
size=$(stat -c %s "$input")
games=$(grep -c '^\[Event ' "$input")

cat "$input" > /dev/null  # both runs start from the page cache
t0=$(date +%s.%N)
"$cli" replay "$input" > "$tmp/replay.txt"
t1=$(date +%s.%N)
"$extract" -s -o /dev/null "$input" 2> /dev/null || true
t2=$(date +%s.%N)

awk -v size="$size" -v games="$games" -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {
    q = b - a; p = c - b;
    printf "input: %.1f MB, %d games\n", size / 1e6, games;
    printf "quarzel-cli replay: %.2f s (%.1f MB/s)\n", q, size / 1e6 / q;
    printf "pgn-extract -s -o /dev/null: %.2f s (%.1f MB/s)\n", p, size / 1e6 / p;
    printf "ratio (pgn-extract time / replay time): %.2f\n", p / q;
}'
