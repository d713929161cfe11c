#!/usr/bin/env bash
# Configures and builds the viewer, the CLI, the tests and the benchmarks in
# build/, and the Qt-free core with sanitizers and fuzz targets in build-asan/.
# Usage: tools/build.sh [--no-asan | --viewer]
#   --viewer  only the viewer in build/ (what ./run needs to show a window)
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

asan=1
# A compiler cache, when installed, makes rebuilds of other checkouts cheap.
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$(dirname "$(pwd)")}"
fi
[ "${1:-}" = "--no-asan" ] && asan=0

if [ "${1:-}" = "--viewer" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  exec cmake --build build -j "$jobs" --target quarzel
fi

if [ $asan -eq 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="-O1 -g" \
    -DQUARZEL_CORE_ONLY=ON -DQUARZEL_SANITIZE=ON -DQUARZEL_FUZZ=ON -DQUARZEL_TEST_PREFIX=asan. "${launcher[@]}" >/dev/null
  cmake --build build-asan -j "$jobs"
  extra="$(pwd)/build-asan"
else
  extra=""
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARZEL_EXTRA_TEST_DIR="$extra" "${launcher[@]}" >/dev/null
cmake --build build -j "$jobs"
