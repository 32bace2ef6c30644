# What `cmake --install` puts where, and the Debian package made from it (`cpack -G DEB` in the build
# folder). The installed program finds its keyword lists and help pages in share/korvoterm beside bin/.
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

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvoterm)
set(CPACK_PACKAGE_VENDOR KorvoTerm)
set(CPACK_PACKAGE_CONTACT "KorvoTerm developers <korvoterm@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Communications, programming and firmware-upgrade utility for stepper-motor controllers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries the programs link (Qt 6, QScintilla, libvterm) are found by dpkg-shlibdeps; what is loaded
# at run time is named here: Qt's platform plugins and the fixed-pitch font the editor falls back to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core")
include(CPack)
