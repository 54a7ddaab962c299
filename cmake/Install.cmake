# Installing like a desktop program: `cmake --install` puts pktview, pktdump
# and pktgen into bin/, and the desktop entry (with the Russian name), the
# program's icon and the MIME type of *.pkt logs into share/. Installed under
# /usr the program directory cannot be written; merged logs and exports then
# go to $XDG_DATA_HOME/pktview (platform/process.h).
#
# `cmake --build --preset default --target package` builds a .deb with CPack;
# its dependencies are worked out from the programs' libraries by
# dpkg-shlibdeps, so they are Debian's own Qt packages.
include(GNUInstallDirs)

foreach(program pktview pktdump pktgen)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET pktview)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/pktview.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/pktview.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${PROJECT_SOURCE_DIR}/desktop/pktview-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME pktview.xml)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pktview)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "pktview maintainers <pktview@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Viewer of the packet logs of a fuel-card processing network")
set(CPACK_PACKAGE_DESCRIPTION
    "pktview shows terminal logs (NS*.pkt) and host-to-host logs (H2H*, H2D*, H2A*, H2O*.pkt), plain or packed; pktdump prints the same views on the command line; pktgen writes synthetic logs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform plugins draw the windows; its Russian translations speak in its dialogs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)

# The install rules themselves are tested: a scratch installation of the build.
if(PKTVIEW_TESTS AND TARGET pktview AND TARGET pktgen)
  add_test(NAME Install.ProgramsDesktopEntryIconAndMimeType
           COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DPREFIX=${CMAKE_BINARY_DIR}/install-check
                   -P ${PROJECT_SOURCE_DIR}/cmake/CheckInstall.cmake)
endif()
