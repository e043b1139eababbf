# Installation as a desktop program, and the Debian package cpack makes of it.
include(GNUInstallDirs)

# The icon's PNG sizes, rendered from the SVG at build time.
find_package(Qt6 REQUIRED COMPONENTS Svg)
add_executable(make_icons tools/icons/make_icons.cpp)
target_link_libraries(make_icons PRIVATE Qt6::Gui Qt6::Svg)
set(WS_ICON_SVG ${CMAKE_SOURCE_DIR}/resources/whistlestop.svg)
set(WS_ICON_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/icons/.stamp
    COMMAND make_icons ${WS_ICON_SVG} ${WS_ICON_DIR}
    COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/icons/.stamp
    DEPENDS make_icons ${WS_ICON_SVG}
    COMMENT "Rendering the icon's PNG sizes")
add_custom_target(icons ALL DEPENDS ${CMAKE_BINARY_DIR}/icons/.stamp)

set(WS_APP_ID io.whistlestop.Whistlestop)
install(TARGETS whistlestop RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/${WS_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/${WS_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${WS_ICON_SVG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${WS_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES resources/help/whistlestop.html DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES packaging/whistlestop.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME whistlestop)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Play and check Trainz engine sound sets")
set(CPACK_PACKAGE_CONTACT "Whistlestop developers <whistlestop@localhost>")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no library dependency names them: SDL2 for the sound output and
# the SVG icon engine; and a sound server for SDL to play through.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.12), libqt6svg6, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Whistlestop plays an engine sound set for the Trainz railway simulator the way the\n simulator would: start and stop, an eight-notch throttle, steam beats and loops,\n horns and bells. It also checks sound sets and records what is heard.")
include(CPack)
