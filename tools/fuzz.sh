#!/usr/bin/env bash
# Runs fuzz targets.
# Usage: tools/fuzz.sh NAME [SECONDS] [BIN_DIR]
#          one target on a scratch copy of its seed corpus (what ./test does)
#        tools/fuzz.sh --all SECONDS [BIN_DIR]
#          every target in turn, each for SECONDS, then merges what it found
#          into its seeds (libFuzzer -merge=1: the smallest set of inputs that
#          keeps all the coverage of the old seeds and the new finds)
#   NAME      the target build-asan/bin/fuzz_NAME; its seeds are tests/fuzz/corpus/NAME
#   SECONDS   how long (default 60)
# Build the targets first with tools/build.sh. Crashing inputs are kept in
# build-asan/fuzz-artifacts/NAME/. One process at a time (one core).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

# run NAME SECONDS BIN [merge]: one target; prints its figures.
run() {
  local name="$1" seconds="$2" bin="$3" merge="${4:-}"
  local target="$bin/fuzz_$name" seeds="$root/tests/fuzz/corpus/$name"
  [ -x "$target" ] || { echo "no fuzz target $target (run tools/build.sh)"; return 1; }
  local work artifacts rc
  work=$(mktemp -d)
  artifacts="$(dirname "$bin")/fuzz-artifacts/$name/"
  mkdir -p "$artifacts"
  local dirs=("$work")
  [ -d "$seeds" ] && dirs+=("$seeds")
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 "${dirs[@]}" >"$work.log" 2>&1
  rc=$?
  if [ -n "$merge" ]; then
    # Figures of the run, then the merge into the seeds.
    local done_line
    done_line=$(grep -E '^#[0-9]+[[:space:]]+(DONE|NEW|REDUCE|pulse)' "$work.log" | tail -n 1)
    echo "$name: ${seconds}s, $(grep -E 'stat::number_of_executed_units|stat::average_exec_per_sec' "$work.log" \
      | sed 's/stat:://' | tr -s ' ' | tr '\n' ' ')| ${done_line#*[[:space:]]}"
    [ $rc -ne 0 ] && { echo "$name: FAILED (exit $rc), see $artifacts"; tail -n 30 "$work.log"; }
    local merged
    merged=$(mktemp -d)
    mkdir -p "$seeds"
    if "$target" -merge=1 -timeout=10 -rss_limit_mb=2048 "$merged" "$seeds" "$work" >"$work.merge" 2>&1; then
      rm -f "$seeds"/*
      cp "$merged"/* "$seeds"/ 2>/dev/null
      echo "$name: seeds now $(ls "$seeds" | wc -l) files, $(du -sk --apparent-size "$seeds" | cut -f1) KB"
    else
      echo "$name: merge failed, seeds left as they were"; tail -n 5 "$work.merge"
    fi
    rm -rf "$merged" "$work.merge"
  else
    tail -n 25 "$work.log"
  fi
  rm -rf "$work" "$work.log"
  return $rc
}

if [ "${1:-}" = "--all" ]; then
  seconds="${2:?usage: tools/fuzz.sh --all SECONDS [BIN_DIR]}"
  bin="${3:-$root/build-asan/bin}"
  status=0
  for target in "$bin"/fuzz_*; do
    [ -x "$target" ] || continue
    name="$(basename "$target")"
    run "${name#fuzz_}" "$seconds" "$bin" merge || status=1
  done
  exit $status
fi

name="${1:?usage: tools/fuzz.sh NAME [SECONDS] [BIN_DIR] | --all SECONDS [BIN_DIR]}"
run "$name" "${2:-60}" "${3:-$root/build-asan/bin}"
