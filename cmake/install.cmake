# What `cmake --install` puts where; the Debian package (debian/) is made from it. The installed program
# finds its keyword lists and help pages in share/korvoterm beside bin/.
include(GNUInstallDirs)

install(TARGETS korvoterm korvo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET korvo-cli)
    install(TARGETS korvo-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${CMAKE_BINARY_DIR}/man/korvo-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${PROJECT_SOURCE_DIR}/data/completion/korvo-cli
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/keywords/ DESTINATION ${CMAKE_INSTALL_DATADIR}/korvoterm
        FILES_MATCHING PATTERN "*.rw")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help DESTINATION ${CMAKE_INSTALL_DATADIR}/korvoterm)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/korvoterm.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/korvoterm.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/example.korvoterm.KorvoTerm.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/desktop/korvoterm-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME korvoterm.xml)
install(FILES ${PROJECT_SOURCE_DIR}/data/man/korvoterm.1 ${PROJECT_SOURCE_DIR}/data/man/korvo-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
