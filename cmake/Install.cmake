# What `cmake --install` puts where (any prefix; DESTDIR honoured); the
# Debian package (debian/, `dpkg-buildpackage`) installs the same files.
# Installing builds nothing: build the program first.

set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
include(GNUInstallDirs)

set(PATHWREN_APPSTREAM_ID org.pathwren.Pathwren)
set(PATHWREN_RELEASE_DATE 2026-12-07) # the date of the version in project() and of debian/changelog
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

# The package carries the licence in debian/copyright instead.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pathwren)
