#!/usr/bin/env bash
# cmake --install into a temporary DESTDIR and under a --prefix: the file set,
# the installed programs, the desktop files through their validators (where
# installed); then the Debian package's file list and dependencies.
set -u
build=$(dirname "${QUARZEL_BIN_DIR:?}")
sample="${QUARZEL_EXAMPLES_DIR:?}/matches.pgn"
id=org.quarzel.PgnViewer
fail=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then printf 'FAIL %s:\n  expected [%s]\n  got      [%s]\n' "$1" "$2" "$3"; fail=1; else echo "ok   $1"; fi
}
have() { command -v "$1" >/dev/null 2>&1 || { echo "SKIP part: $1 is not installed"; return 1; }; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

expected="bin/quarzel
bin/quarzel-cli
share/applications/$id.desktop
share/doc/quarzel/copyright
$(for s in 128 16 24 256 32 48 64; do echo "share/icons/hicolor/${s}x$s/apps/$id.png"; done)
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/quarzel-cli.1.gz
share/man/man1/quarzel.1.gz
share/metainfo/$id.metainfo.xml
share/mime/packages/$id.xml"
files() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1
check "install into DESTDIR" 0 "$?"
check "DESTDIR holds only the prefix" "usr" "$(ls "$work/dest")"
check "installed files" "$expected" "$(files "$work/dest/usr")"
cmake --install "$build" --prefix "$work/prefix" >>"$work/install.log" 2>&1
check "installed files under --prefix" "$expected" "$(files "$work/prefix")"
p="$work/prefix"

version=$("$p/bin/quarzel-cli" --version | sed 's/.* //')
check "installed quarzel-cli runs" "quarzel-cli (Quarzel PGN Viewer) $version" "$("$p/bin/quarzel-cli" --version)"
check "installed quarzel-cli counts" 5 "$("$p/bin/quarzel-cli" count "$sample")"
check "installed viewer answers --version" "quarzel (Quarzel PGN Viewer) $version" \
  "$(env -u DISPLAY -u WAYLAND_DISPLAY "$p/bin/quarzel" --version)"
check "menu entry starts the viewer with one file" "Exec=quarzel %f" "$(grep '^Exec=' "$p/share/applications/$id.desktop")"
check "metainfo carries the version" 1 "$(grep -c "<release version=\"$version\"" "$p/share/metainfo/$id.metainfo.xml")"

if have desktop-file-validate; then
  out=$(desktop-file-validate "$p/share/applications/$id.desktop" 2>&1)
  check "desktop-file-validate" "0 " "$? $out"
fi
if have appstreamcli; then
  appstreamcli validate --no-net --strict "$p/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1
  check "appstreamcli validate --strict" 0 "$?"
  [ $fail = 0 ] || cat "$work/as.log"
fi
if have xmllint; then
  for f in "$p/share/mime/packages/$id.xml" "$p/share/metainfo/$id.metainfo.xml" "$p/share/icons/hicolor/scalable/apps/$id.svg"; do
    xmllint --noout "$f"; check "xmllint $(basename "$f")" 0 "$?"
  done
fi
if have update-mime-database; then
  update-mime-database "$p/share/mime" >/dev/null 2>&1
  check "*.ccf is our database type" 1 "$(grep -c ':application/x-quarzel-ccf:\*\.ccf$' "$p/share/mime/globs2")"
  check "*.pgn is PGN" 1 "$(grep -c ':application/vnd.chess-pgn:\*\.pgn$' "$p/share/mime/globs2")"
  check "*.pgn.zst is compressed PGN" 1 "$(grep -c ':application/x-zstd-compressed-chess-pgn:\*\.pgn\.zst$' "$p/share/mime/globs2")"
fi
if have man; then
  for page in quarzel quarzel-cli; do
    head=$(MANWIDTH=80 man -l "$p/share/man/man1/$page.1.gz" 2>/dev/null | sed -n '4p' | sed 's/^ *//')
    check "man -l $page renders its NAME" "$page" "${head%% *}"
    check "man page $page names the version" 1 "$(zcat "$p/share/man/man1/$page.1.gz" | head -1 | grep -c " $version\"")"
  done
fi

# The package: the same files under /usr, the Qt libraries it links as
# dependencies, nothing that only the tests use.
if have cpack && have dpkg-deb && have dpkg-shlibdeps; then
  (cd "$build" && cpack -G DEB -B "$work/pkg") >"$work/cpack.log" 2>&1
  deb=$(ls "$work"/pkg/quarzel_*.deb 2>/dev/null)
  check "package file" "quarzel_${version}_$(dpkg --print-architecture).deb" "$(basename "$deb")"
  [ -f "$deb" ] || { cat "$work/cpack.log"; exit 1; }
  check "package files" "$expected" \
    "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | LC_ALL=C sort)"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "package: $(stat -c %s "$deb") bytes, installed $(dpkg-deb -f "$deb" Installed-Size) KiB; Depends: $depends"
  for lib in qt6-qpa-plugins libqt6core6 libqt6gui6 libqt6widgets6 libstdc++6 libc6 libzstd1 libzip4 liblzma5; do
    check "package depends on $lib" 1 "$(printf '%s\n' "$depends" | tr ',' '\n' | grep -c "^ *$lib\( \|$\)")"
  done
  check "package depends on nothing for tests" "" "$(printf '%s\n' "$depends" | grep -oE 'gtest|gmock|benchmark|clang|xvfb|xdotool|imagemagick')"
  check "package version" "$version" "$(dpkg-deb -f "$deb" Version)"
fi
exit $fail
