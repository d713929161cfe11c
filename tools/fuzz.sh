#!/usr/bin/env bash
# Runs one fuzz target for a while on a scratch copy of its seed corpus.
# Usage: tools/fuzz.sh NAME [SECONDS] [BIN_DIR]
#   NAME      the target build-asan/bin/fuzz_NAME; its seeds are tests/fuzz/corpus/NAME
#   SECONDS   how long (default 60)
# Build the targets first with tools/build.sh. Crashing inputs are kept in
# build-asan/fuzz-artifacts/NAME/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:?usage: tools/fuzz.sh NAME [SECONDS] [BIN_DIR]}"
seconds="${2:-60}"
bin="${3:-$root/build-asan/bin}"
target="$bin/fuzz_$name"
[ -x "$target" ] || { echo "no fuzz target $target (run tools/build.sh)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$(dirname "$bin")/fuzz-artifacts/$name/"
mkdir -p "$artifacts"
dirs=("$work")
[ -d "$root/tests/fuzz/corpus/$name" ] && dirs+=("$root/tests/fuzz/corpus/$name")
"$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$artifacts" -print_final_stats=1 "${dirs[@]}" >"$work.log" 2>&1
rc=$?
tail -n 25 "$work.log"; rm -f "$work.log"
exit $rc
