#!/usr/bin/env bash
# Builds the viewer and the CLI and makes the Debian package build/quarzel_VERSION_ARCH.deb.
# Install it with: apt-get install ./build/quarzel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh --viewer
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target quarzel-cli quarzel_man
cd build
cpack -G DEB
