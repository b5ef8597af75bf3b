# What `cmake --install` puts where (any prefix; DESTDIR honoured), and the
# Debian package made from it by `cpack -G DEB` in the build folder.
# Installing builds nothing: build the program first.

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(GNUInstallDirs)

set(PATHWREN_APPSTREAM_ID org.pathwren.Pathwren)
set(PATHWREN_RELEASE_DATE 2026-12-07) # the date of the version in project()
set(PATHWREN_WEBSITE "https://pathwren.invalid" CACHE STRING
    "The project's web site; the AppStream screenshot is <site>/screenshot.png")

configure_file(${PROJECT_SOURCE_DIR}/resources/pathwren.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${PATHWREN_APPSTREAM_ID}.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/docs/pathwren.1.in ${PROJECT_BINARY_DIR}/pathwren.1 @ONLY)

install(TARGETS pathwren RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_BINARY_DIR}/pathwren.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/resources/pathwren.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/${PATHWREN_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(_icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${PROJECT_SOURCE_DIR}/resources/pathwren.svg DESTINATION ${_icons}/scalable/apps)
foreach(_size 16 32 48 64 128 256)
  # 32 is the picture built into the program; scripts/make-icon.py draws them all.
  if(_size EQUAL 32)
    set(_png ${PROJECT_SOURCE_DIR}/resources/pathwren.png)
  else()
    set(_png ${PROJECT_SOURCE_DIR}/resources/icons/pathwren-${_size}.png)
  endif()
  install(FILES ${_png} DESTINATION ${_icons}/${_size}x${_size}/apps RENAME pathwren.png)
endforeach()

# Debian keeps a package's licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pathwren
        RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pathwren)
set(CPACK_PACKAGE_VENDOR "The Pathwren authors")
set(CPACK_PACKAGE_CONTACT "The Pathwren authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find files by wildcard patterns and copy them into one folder")
set(CPACK_PACKAGE_DESCRIPTION
    "Pathwren searches a folder tree for files and folders whose names match a
list of wildcard patterns and can copy every matching file into one
destination folder. Every hit is written to a result window beside the
main window. The user interface is Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Libraries from the binary (dpkg-shlibdeps), plus what it reads at run time:
# a Japanese font for every caption and Qt's Japanese texts for its dialogs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-japanese-gothic, qt6-translations-l10n")
# xdg-open opens the file or folder of a double-clicked result line.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
include(CPack)
