# `cpack -G DEB` in the build folder (or tools/package.sh) makes a Debian
# package of what `cmake --install` installs. dpkg-shlibdeps finds the
# runtime dependencies from the libraries the two programs link, so the
# package depends on the Qt 6 libraries and nothing the tests use.
set(CPACK_PACKAGE_NAME quarzel)
set(CPACK_PACKAGE_VENDOR "Quarzel developers")
set(CPACK_PACKAGE_CONTACT "Quarzel developers <quarzel@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for chess games in PGN files")
set(CPACK_PACKAGE_DESCRIPTION "A fast viewer for chess games in PGN files, made for the output of
position-search tools that mark matching positions with a MATCH comment: it
lists the games of a file of any size, shows a game on a board beside its
notation and jumps from match to match. quarzel-cli counts, lists and prints
games with the same code.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://quarzel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# The Qt platform plugins (X11, Wayland) are a package of their own that
# libqt6gui6 only recommends: without them the viewer opens no window.
# The menu, file-type and icon caches are refreshed by the triggers of the
# packages that own them, so the package needs no scripts of its own.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
include(CPack)
