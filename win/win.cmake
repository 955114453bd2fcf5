# The Windows build, included from the top CMakeLists.txt under cmake/mingw.cmake:
#   zorvane.exe         the game in a window of its own (win/)
#   zorvane-replay.exe  the replay tool, traces and pictures identical to the Linux one
#   fonts/              the faces the programs draw with (cut as for the page) and their licences
# No time stamp in the programs' headers: the same source gives the same bytes.
add_link_options(-Wl,--no-insert-timestamp)

# Each program's resources (win/program.rc.in): the game's icon (data/zorvane.ico, drawn by
# tools/make_icon.cpp) and its version.
enable_language(RC)
set(ZORVANE_ICON ${PROJECT_SOURCE_DIR}/data/zorvane.ico)
foreach(pair "zorvane;Super Zorvane!" "zorvane-replay;Super Zorvane! replay tool")
  list(GET pair 0 ZORVANE_PROGRAM)
  list(GET pair 1 ZORVANE_DESCRIPTION)
  configure_file(win/program.rc.in ${CMAKE_BINARY_DIR}/generated/${ZORVANE_PROGRAM}.rc @ONLY)
  set_property(SOURCE ${CMAKE_BINARY_DIR}/generated/${ZORVANE_PROGRAM}.rc APPEND PROPERTY OBJECT_DEPENDS ${ZORVANE_ICON})
endforeach()

add_executable(zorvane-replay app/zorvane_replay.cpp ${CMAKE_BINARY_DIR}/generated/zorvane-replay.rc)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib zorvane_image shell32)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
zorvane_warnings(zorvane-replay)

zorvane_font_subsets(${CMAKE_BINARY_DIR}/fonts windowsFonts WITH_LICENCES)
add_custom_target(zorvane-fonts ALL DEPENDS ${windowsFonts})

# zorvane.exe: the game's window on the Windows API (win/), a program of the desktop (no
# console of its own), hosting the session as the Linux window does and sharing its
# command line, files, start and loop (host/).
add_executable(zorvane WIN32 win/zorvane.cpp win/window.cpp win/pads.cpp win/speaker.cpp
               ${CMAKE_BINARY_DIR}/generated/zorvane.rc)
target_link_libraries(zorvane PRIVATE zorvane_host shell32 winmm xinput)
zorvane_warnings(zorvane)

# The player's packages, named with the version: an installer made by NSIS (per user, no
# administrator) and a portable zip of the same files. Both are the same bytes from the same
# source: every file dated ZORVANE_SOURCE_DATE_EPOCH with fixed modes, the zip's entries in
# a fixed order, its times in UTC and without its owner's ids.
set(ZORVANE_PACKAGE zorvane-${PROJECT_VERSION}-windows-x64)
set(stage ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE})
find_program(MAKENSIS makensis NO_CMAKE_FIND_ROOT_PATH)
find_program(ZIP zip NO_CMAKE_FIND_ROOT_PATH)
set(installer ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE}-setup.exe)
set(zip ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE}.zip)
configure_file(win/README.txt ${CMAKE_BINARY_DIR}/generated/README.txt @ONLY)
add_custom_command(OUTPUT ${zip} ${installer}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${zip}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zorvane> $<TARGET_FILE:zorvane-replay> ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${windowsFonts} ${stage}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/generated/README.txt ${stage}/README.txt
  COMMAND sh -c "cd '${ZORVANE_PACKAGE}' && chmod -R u=rwX,go=rX . && find . -exec touch -h -d @${ZORVANE_SOURCE_DATE_EPOCH} {} + && find . -type f | cut -c3- | LC_ALL=C sort | TZ=UTC '${ZIP}' -X -q '${zip}' -@"
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DPUBLISHER=${ZORVANE_PUBLISHER} -DSTAGE=${stage}
          -DICON=${ZORVANE_ICON} -DOUTFILE=${installer} ${PROJECT_SOURCE_DIR}/win/installer.nsi
  DEPENDS zorvane zorvane-replay ${windowsFonts} win/installer.nsi win/README.txt LICENSE ${ZORVANE_ICON}
          ${CMAKE_BINARY_DIR}/generated/source_date_epoch
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Windows installer and zip" VERBATIM)
if(MAKENSIS AND ZIP)
  add_custom_target(zorvane-packages ALL DEPENDS ${zip} ${installer})
else()
  message(STATUS "makensis or zip missing: no Windows installer and zip (apt-get install nsis zip)")
endif()

# For the Wine test (tests/windows/wine.sh), not shipped: a console that types Ctrl+C.
add_executable(zorvane-console-ctrl tests/windows/console_ctrl.cpp)
target_link_options(zorvane-console-ctrl PRIVATE -municode)
zorvane_warnings(zorvane-console-ctrl)
