# What `cmake --install` lays out and `cpack -G DEB` packs, in the freedesktop places:
#   bin/quarnaro, bin/quarnaro-cli
#   share/quarnaro/            the read-only data: Files/ (help, templates, splash text, scratch
#                              database and ShapeConfig.xml to seed the user's data folder),
#                              Databases/, Shape/, Images/
#   share/applications/, share/metainfo/, share/icons/hicolor/  the desktop entry, its AppStream
#                              description and the icon
#   share/man/man1/quarnaro-cli.1.gz  the manual page, made from the tool's help text
# The data come from the generated sample and the sources, never from build/program/, where a
# run may have written logs and remembered folders.
include(GNUInstallDirs)

# The manual page.
find_program(QUARNARO_GZIP gzip REQUIRED)
set(QUARNARO_MAN_PAGE ${CMAKE_BINARY_DIR}/man/quarnaro-cli.1.gz)
add_custom_command(OUTPUT ${QUARNARO_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:quarnaro-cli> -DGZIP=${QUARNARO_GZIP} -DOUT=${QUARNARO_MAN_PAGE}
          -P ${PROJECT_SOURCE_DIR}/cmake/WriteManPage.cmake
  DEPENDS quarnaro-cli ${PROJECT_SOURCE_DIR}/cmake/WriteManPage.cmake
  COMMENT "Pagina di manuale di quarnaro-cli"
  VERBATIM)
add_custom_target(man_page ALL DEPENDS ${QUARNARO_MAN_PAGE})

install(TARGETS quarnaro quarnaro-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(_share ${CMAKE_INSTALL_DATADIR}/quarnaro)
foreach(dir Databases Shape Images Files)
  install(DIRECTORY ${QUARNARO_SAMPLE_DIR}/${dir}/ DESTINATION ${_share}/${dir}
          FILES_MATCHING PATTERN "*" PATTERN "*-journal" EXCLUDE PATTERN "*.part" EXCLUDE)
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/help/ DESTINATION ${_share}/Files/Help)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/templates/ DESTINATION ${_share}/Files)

set(_desktop ${PROJECT_SOURCE_DIR}/data/desktop)
install(FILES ${_desktop}/it.quarnaro.Quarnaro.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_desktop}/it.quarnaro.Quarnaro.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_desktop}/it.quarnaro.Quarnaro.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${QUARNARO_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME it.quarnaro.Quarnaro.png)
endforeach()
install(FILES ${QUARNARO_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: its dependencies are the packages of the libraries the programs link
# against (dpkg-shlibdeps; the X11 and offscreen platform plugins and the JPEG reader come with
# libqt6gui6).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarnaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quarnaro")
set(CPACK_PACKAGE_CONTACT "Quarnaro <quarnaro@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "statistiche sulle infrastrutture dei territori italiani")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "statistiche sulle infrastrutture dei territori italiani\n Catalogo di variabili e indicatori, tabelle, cartogrammi, pagine stampabili,\n metadati e glossario, con dati di esempio; quarnaro-cli per la riga di comando.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Italian texts of Qt's own dialogs, the platform plugins beyond X11 and a font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-qpa-plugins, fonts-dejavu-core")
include(CPack)
