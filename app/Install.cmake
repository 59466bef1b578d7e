# SPDX-License-Identifier: MIT
# The install tree: the programs with the engine modules beside them in
# ${VORLAN_INSTALL_DIR} (each part installs its own files there), links to
# both programs in bin/, and a menu entry with its icon, named by the
# application's id as the software centres' metadata is.
install(TARGETS vorlan DESTINATION ${VORLAN_INSTALL_DIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/io.github.vorlan.Vorlan.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/vorlan.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Relative links, so that the tree still works when installed under another
# prefix or staged with DESTDIR. The programs find their files from
# /proc/self/exe, which names the link's target.
file(RELATIVE_PATH vorlan_link_base /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${VORLAN_INSTALL_DIR})
foreach(program vorlan vorlan-batch)
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(REMOVE \"\${link}\")
    file(CREATE_LINK \"${vorlan_link_base}/${program}\" \"\${link}\" SYMBOLIC)
    message(STATUS \"Installing: \${link} -> ${vorlan_link_base}/${program}\")")
endforeach()
