# The Windows build, included from the top CMakeLists.txt under cmake/mingw.cmake:
#   zorvane.exe         the game in a window of its own (win/)
#   zorvane-replay.exe  the replay tool, traces and pictures identical to the Linux one
#   fonts/              the faces the programs draw with (cut as for the page) and their licences
add_executable(zorvane-replay app/zorvane_replay.cpp)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib zorvane_image shell32)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
zorvane_warnings(zorvane-replay)

zorvane_font_subsets(${CMAKE_BINARY_DIR}/fonts windowsFonts WITH_LICENCES)
add_custom_target(zorvane-fonts ALL DEPENDS ${windowsFonts})

# zorvane.exe: the game's window on the Windows API (win/), a program of the desktop (no
# console of its own), hosting the session as the Linux window does and sharing its
# command line, files, start and loop (host/).
add_executable(zorvane WIN32 win/zorvane.cpp win/window.cpp win/pads.cpp win/speaker.cpp)
target_link_libraries(zorvane PRIVATE zorvane_host shell32 winmm xinput)
zorvane_warnings(zorvane)

# The player's packages, named with the version: an installer made by NSIS (per user, no
# administrator) and a portable zip of the same files.
set(ZORVANE_PACKAGE zorvane-${PROJECT_VERSION}-windows-x64)
set(stage ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE})
find_program(MAKENSIS makensis NO_CMAKE_FIND_ROOT_PATH)
set(installer ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE}-setup.exe)
set(zip ${CMAKE_BINARY_DIR}/${ZORVANE_PACKAGE}.zip)
add_custom_command(OUTPUT ${zip} ${installer}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:zorvane> $<TARGET_FILE:zorvane-replay> ${stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${windowsFonts} ${stage}/fonts
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${stage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/win/README.txt ${stage}/README.txt
  COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${ZORVANE_PACKAGE}
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DSTAGE=${stage} -DOUTFILE=${installer}
          ${PROJECT_SOURCE_DIR}/win/installer.nsi
  DEPENDS zorvane zorvane-replay ${windowsFonts} win/installer.nsi win/README.txt LICENSE
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Windows installer and zip" VERBATIM)
if(MAKENSIS)
  add_custom_target(zorvane-packages ALL DEPENDS ${zip} ${installer})
else()
  message(STATUS "makensis missing: no Windows installer (apt-get install nsis)")
endif()
