# What an install puts beside the two programs (their own rules install
# them, the generated manual page and completion of quorvane-cli, and the
# icons): the desktop entry, the AppStream metadata, the manual page of
# quorvane and the licence; and the Debian package CPack makes of it all
# (scripts/package).

set(QV_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)
configure_file(${QV_DESKTOP_DIR}/${QV_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/share/metainfo/${QV_APP_ID}.metainfo.xml @ONLY)
configure_file(${QV_DESKTOP_DIR}/quorvane.1.in ${PROJECT_BINARY_DIR}/share/man/man1/quorvane.1
               @ONLY)

install(FILES ${QV_DESKTOP_DIR}/${QV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/share/metainfo/${QV_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_BINARY_DIR}/share/man/man1/quorvane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_CONTACT "Quorvane developers <quorvane@quorvane.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mailing-list manager: contact files, labels, envelopes, letters")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quorvane keeps contact files (DBF tables with a CDX index and an FPT memo) and prints\n"
    "labels with bar codes and bulk-mail presort, envelopes, mail-merge letters and reports\n"
    "from them. quorvane-cli runs every job from the shell.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quorvane.org/")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # quorvane_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the binaries link, found by dpkg-shlibdeps; the fonts the
# layouts measure with are no library, so they are named.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-wqy-microhei")
# Letters open in Writer and the tests convert with it; the program runs without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-writer-nogui")
include(CPack)
