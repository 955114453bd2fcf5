# Installation into the standard places of a Debian system, and the Debian package built
# from it: `scripts/dev.sh package` (cpack -G DEB in a build of the `package` preset).
# Programs go to games/; the fonts they draw with are Debian's own, and the package depends
# on every one of them (paint/faces.cmake), so that an installed game draws the very picture.

# The manual pages, with the version and its month (cmake/release.cmake); they, the
# changelog made from NEWS.md and the replay format, compressed as Debian wants them (no
# name, no time stamp).
foreach(page zorvane.6 zorvane-replay.6)
  configure_file(docs/man/${page}.in ${CMAKE_BINARY_DIR}/generated/${page} @ONLY)
endforeach()
configure_file(data/org.zorvane.zorvane.metainfo.xml.in ${CMAKE_BINARY_DIR}/generated/org.zorvane.zorvane.metainfo.xml @ONLY)
find_program(GZIP gzip REQUIRED)
set(ZORVANE_COMPRESSED)
foreach(pair "${CMAKE_BINARY_DIR}/generated/zorvane.6;zorvane.6" "${CMAKE_BINARY_DIR}/generated/zorvane-replay.6;zorvane-replay.6"
             "${CMAKE_BINARY_DIR}/generated/changelog;changelog" "${PROJECT_SOURCE_DIR}/docs/replay-format.md;replay-format.md")
  list(GET pair 0 source)
  list(GET pair 1 name)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/compressed/${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/compressed
                     COMMAND ${GZIP} -9nc ${source} > ${CMAKE_CURRENT_BINARY_DIR}/compressed/${name}.gz
                     DEPENDS ${source} VERBATIM)
  list(APPEND ZORVANE_COMPRESSED ${CMAKE_CURRENT_BINARY_DIR}/compressed/${name}.gz)
endforeach()
add_custom_target(zorvane_compressed_docs ALL DEPENDS ${ZORVANE_COMPRESSED})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/zorvane)
install(TARGETS zorvane zorvane-replay RUNTIME DESTINATION games)
install(FILES data/zorvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/generated/org.zorvane.zorvane.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48 128 256)
  install(FILES data/zorvane-${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME zorvane.png)
endforeach()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/compressed/zorvane.6.gz
              ${CMAKE_CURRENT_BINARY_DIR}/compressed/zorvane-replay.6.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/compressed/changelog.gz
              ${CMAKE_CURRENT_BINARY_DIR}/compressed/replay-format.md.gz
        DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "${ZORVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "brick-breaking arcade game")
set(CPACK_PACKAGE_DESCRIPTION
    "Super Zorvane! is a single-player brick-breaking arcade game for the
Linux desktop. Steer the paddle with the arrow keys or a gamepad, keep
the ball in play and knock out the coloured bricks: one-hit bricks,
bricks that need up to eight hits, special bricks that change the ball,
the paddle, the score or the whole field, and bricks that no hit
removes. Seven layouts come round in rotation.

The package also holds zorvane-replay, which runs the game headless
from a script of input events and writes its state as JSON lines.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(JOIN ZORVANE_FACE_PACKAGES ", " ZORVANE_FONT_DEPENDS)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${ZORVANE_FONT_DEPENDS}")  # shlibdeps adds the libraries
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# The package's files dated by ZORVANE_SOURCE_DATE_EPOCH (cmake/release.cmake) when cpack runs
# without SOURCE_DATE_EPOCH: the same source, the same package.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/cpack_date.cmake CONTENT
     "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n  set(ENV{SOURCE_DATE_EPOCH} ${ZORVANE_SOURCE_DATE_EPOCH})\nendif()\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/generated/cpack_date.cmake)
include(CPack)
