# The Windows build, included from the top CMakeLists.txt under cmake/mingw.cmake:
#   zorvane.exe         the game in a window of its own (win/)
#   zorvane-replay.exe  the replay tool, traces and pictures identical to the Linux one
#   fonts/              the faces the programs draw with (cut as for the page) and their licences
add_executable(zorvane-replay app/zorvane_replay.cpp)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib zorvane_image shell32)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
zorvane_warnings(zorvane-replay)

include(cmake/fonts.cmake)
zorvane_font_subsets(${CMAKE_BINARY_DIR}/fonts windowsFonts WITH_LICENCES)
add_custom_target(zorvane-fonts ALL DEPENDS ${windowsFonts})

# zorvane.exe: the game's window on the Windows API (win/), a program of the desktop (no
# console of its own), sharing the command line and output files with the Linux window.
add_executable(zorvane WIN32 win/zorvane.cpp win/window.cpp win/pads.cpp win/speaker.cpp app/options.cpp
               app/output_file_windows.cpp)
target_link_libraries(zorvane PRIVATE zorvane_replaylib zorvane_image shell32 winmm xinput)
target_compile_definitions(zorvane PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
zorvane_warnings(zorvane)
