# The Debian package (scripts/package): every program, the language file, the desktop entry and
# icons, the systemd units and, when the cross compilers were here, the Windows helpers. The
# libraries it needs are read off the binaries by dpkg-shlibdeps; what they load at run time by
# name (Qt's platform plugins, the SQL drivers) is listed by hand.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hublane)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Hublane developers <hublane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps an eD2k client's server list alive and growing")
set(CPACK_PACKAGE_DESCRIPTION
    "Hublane reads the eD2k client's server.met, asks every server for its name over UDP, drops\n"
    "the silent ones, asks other copies of Hublane and the servers for more, writes the list back\n"
    "and hands it to the running client. hublanectl does it without a window; hublane-directory\n"
    "is the web directory the copies use.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine, libqt6sql6-psql, amule-daemon")
set(CPACK_STRIP_FILES ON)
include(CPack)
