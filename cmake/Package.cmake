# SPDX-License-Identifier: MIT
# The Debian package: cpack -G DEB in a build tree (see README). It holds the
# install tree below /usr: libexec/vorlan/ with the programs and the engine
# modules, share/vorlan/ with fix.jar and API/, the links in bin/, the menu
# entry with its icon, the software centres' metadata, the manual pages, the
# bash completion, and the copyright and changelog in share/doc/vorlan/. The
# libraries' packages are found by dpkg-shlibdeps; the window also needs Qt's
# platform plugins, which Qt's own packages only recommend. Its version is
# project()'s.

# The copyright file in Debian's machine-readable form, the license's text
# taken from LICENSE: every line indented by one space, empty ones as " .".
set(vorlan_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vorlan)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE holder REGEX "^Copyright \\(c\\) ")
string(REPLACE "Copyright (c) " "" holder "${holder}")  # the years and the holders
set(copyright "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vorlan
Upstream-Contact: The Vorlan authors <vorlan@example.org>

Files: *
Copyright: ${holder}
License: MIT
")
list(POP_FRONT license_lines)  # "MIT License": the license's name stands above
foreach(line IN LISTS license_lines)
  if(line STREQUAL "")
    string(APPEND copyright " .\n")
  else()
    string(APPEND copyright " ${line}\n")
  endif()
endforeach()
# The first line after the name is empty; a license text begins with text.
string(REPLACE "License: MIT\n .\n" "License: MIT\n" copyright "${copyright}")
file(WRITE ${CMAKE_BINARY_DIR}/package/copyright "${copyright}")
install(FILES ${CMAKE_BINARY_DIR}/package/copyright DESTINATION ${vorlan_doc_dir})

# A native package's changelog is changelog.gz, compressed without a time
# stamp so that the same sources give the same package.
vorlan_gzip(${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_target(vorlan_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/changelog.gz DESTINATION ${vorlan_doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlan)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vorlan authors")
set(CPACK_PACKAGE_CONTACT "The Vorlan authors <vorlan@example.org>")
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
