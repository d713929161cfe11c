#!/usr/bin/env bash
# Installs the Debian packages that are missing. Safe to run again: with
# everything present it does nothing.
#   tools/install-deps.sh --run   what building and running the viewer and the CLI needs (./run)
#   tools/install-deps.sh         everything: also the tests, benchmarks, fuzzing and packaging (./test)
set -euo pipefail

# Building and running the viewer and quarzel-cli.
run_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libutf8proc-dev fonts-dejavu-core fonts-stix
  zlib1g-dev libbz2-dev liblzma-dev libzstd-dev libzip-dev libxxhash-dev
  stockfish
)
# The tests, benchmarks, fuzz targets, end-to-end checks and the package.
test_packages=(
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool xclip imagemagick gdb
  python3-pyatspi at-spi2-core dbus-x11
  pgn-extract gzip bzip2 xz-utils zstd zip inotify-tools
  desktop-file-utils appstream libxml2-utils shared-mime-info man-db dpkg-dev
)

packages=("${run_packages[@]}")
[ "${1:-}" = "--run" ] || packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root (or install them with: sudo apt-get install ${missing[*]})." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
