#!/usr/bin/env bash
# Checks the rules of docs/architecture.md on src/: every include of a
# project header points to the same folder or to a lower layer; the core
# (every folder but app, cli, platform and the qt/ subfolders) includes no Qt
# header; the decompression libraries are included in src/source only; no
# hand-written source file is over 600 lines. Prints each breach; status 1 if any.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A rank=([rules]=0 [platform]=0 [source]=1 [database]=2 [collection]=3 [board]=4 [notation]=5
                 [search]=6 [engine]=7 [app]=8 [cli]=9)
exempt_length="board/piece_data.cpp"   # generated piece data
status=0
breach() { echo "check-layers: $*"; status=1; }
while IFS= read -r -d '' file; do
  folder=${file%%/*}
  [ -n "${rank[$folder]+x}" ] || { breach "$file: folder $folder has no layer"; continue; }
  core=1
  case "$file" in app/*|cli/*|platform/*|*/qt/*) core=0 ;; esac
  while IFS= read -r inc; do
    target=${inc%%/*}
    if [ -n "${rank[$target]+x}" ] && [ "$target" != "$folder" ] && [ "${rank[$target]}" -ge "${rank[$folder]}" ]; then
      breach "$file includes $inc: $target is not below $folder"
    fi
    if [ "$core" = 1 ] && [[ "$inc" == */qt/* ]]; then breach "$file (core) includes $inc"; fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
  if [ "$core" = 1 ] && grep -qE '^#include <Q' "$file"; then breach "$file (core) includes a Qt header"; fi
  if [ "$folder" != source ] && grep -qE '^#include <(zlib|bzlib|lzma|zstd|zip)\.h>' "$file"; then
    breach "$file includes a decompression library (src/source only)"
  fi
  lines=$(wc -l < "$file")
  if [ "$lines" -gt 600 ] && [ "$file" != "$exempt_length" ]; then breach "$file has $lines lines (at most 600)"; fi
done < <(find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort | tr '\n' '\0')
exit $status
