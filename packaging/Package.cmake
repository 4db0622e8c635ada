# The Debian package mivo-zip, made by CPack's DEB generator (scripts/package.sh):
# build/package/mivo-zip_VERSION_ARCH.deb. Depends is computed from the binaries by
# dpkg-shlibdeps, plus what no binary shows: Qt's platform plugins (no window without them) and
# the French translations of Qt's own dialogs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mivo-zip)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mivo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZIP archive manager with a French interface")
# The summary above is the first line of the package's description, this text the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Mivo-ZIP lists, extracts, adds, encrypts (AES-256) and removes the entries of
ZIP archives, opens an entry in its desktop application and turns an archive
into a self-extracting program. The command-line tools mivo-ziptool, mivo-sfx
and mivo-huffman do the same work from a terminal.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mivo-ZIP developers <mivo-zip@mivo.fr>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
