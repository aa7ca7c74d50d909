# The Debian package of the GTK program: `cpack -G DEB` in the native build folder makes
# sonabrix_<version>_<arch>.deb from the same install rules as `cmake --install`.
set(CPACK_PACKAGE_NAME sonabrix)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Sonabrix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Show the pitch of a MIDI note number typed in hex")
set(CPACK_PACKAGE_DESCRIPTION
    "A small window that stays above your hex or MIDI editor: type a note number in hex and it shows the octave and the note name, 3C as 6C.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Sonabrix developers")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The shared libraries the program links (GTK 3 and below) become the package's dependencies.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(APPEND CPACK_GENERATOR DEB)
