# Installation on a Linux desktop. The program looks for Help.txt beside its executable, so the two
# sit together in a folder of their own, and bin/ holds a relative link to the executable: the
# running program sees through the link to its real folder, and the tree can be moved as a whole.
include(GNUInstallDirs)

# Not the library folder: on Debian that is lib/<triplet>/, which is for libraries.
set(TESSALINE_INSTALL_DIR "lib/tessaline")
set(TESSALINE_APP_ID "io.github.tessaline.Tessaline")

install(TARGETS tessaline RUNTIME DESTINATION ${TESSALINE_INSTALL_DIR})
install(FILES help/Help.txt DESTINATION ${TESSALINE_INSTALL_DIR})

file(RELATIVE_PATH link_target "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${TESSALINE_INSTALL_DIR}/tessaline")
set(link "${CMAKE_CURRENT_BINARY_DIR}/install-link/tessaline")
file(MAKE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}/install-link")
file(CREATE_LINK "${link_target}" "${link}" SYMBOLIC)
install(FILES "${link}" DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES dist/tessaline.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/${TESSALINE_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
  install(FILES dist/icons/tessaline-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tessaline.png)
endforeach()
install(FILES dist/icons/tessaline.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES dist/man/tessaline.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES dist/man/ja/tessaline.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
