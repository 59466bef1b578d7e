# The Debian package: cpack -G DEB in a build tree (see README). It holds the
# install tree below /usr: lib/vorlan/ with the programs, engine modules,
# fix.jar and API/, the links in bin/, the menu entry, the icon and the manual
# pages. The libraries' packages are found by dpkg-shlibdeps; the window also
# needs Qt's platform plugins, which Qt's own packages only recommend.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlan)
set(CPACK_PACKAGE_VENDOR "Vorlan")
set(CPACK_PACKAGE_CONTACT "Vorlan <vorlan@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prepares J2ME MIDlet suites for mobile phones")
set(CPACK_PACKAGE_DESCRIPTION
  "Vorlan writes the JAD descriptor beside each J2ME JAR, after adding the files\n\
of chosen API archives into it, and builds fix suites that let a phone delete\n\
a suite it refuses to remove. It is a window, vorlan, with a command-line\n\
twin, vorlan-batch.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_STRIP_FILES ON)
include(CPack)
