# Installation of the player with its desktop entry, icons and manual page, and a Debian
# package of it. Included after the subdirectories so that the player's target exists.
include(GNUInstallDirs)

set(VELTRANO_DESKTOP_DIR ${CMAKE_CURRENT_LIST_DIR}/../desktop)

# Nothing to install or package until the player is built.
if(NOT TARGET veltrano)
  return()
endif()

install(TARGETS veltrano RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELTRANO_DESKTOP_DIR}/veltrano.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELTRANO_DESKTOP_DIR}/veltrano.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128)
  install(FILES ${VELTRANO_DESKTOP_DIR}/veltrano-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME veltrano.png)
endforeach()
install(FILES ${VELTRANO_DESKTOP_DIR}/veltrano.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR "Veltrano developers")
set(CPACK_PACKAGE_CONTACT "Veltrano developers <veltrano@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop player for Standard MIDI Files")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Veltrano plays a playlist of Standard MIDI Files one after another through\n\
one MIDI output port (ALSA or JACK), with continuous play, a pause between\n\
files, speed control and an optional check against a barrel organ's scale.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends comes from the libraries the executable links, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Sound on a machine without a MIDI device comes from a software synthesizer.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fluidsynth, fluid-soundfont-gm")
include(CPack)
