# The Windows build, included from the top CMakeLists.txt under cmake/mingw.cmake:
#   zorvane-replay.exe  the replay tool, traces and pictures identical to the Linux one
#   fonts/              the faces the programs draw with (cut as for the page) and their licences
add_executable(zorvane-replay app/zorvane_replay.cpp)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib zorvane_image shell32)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
zorvane_warnings(zorvane-replay)

include(cmake/fonts.cmake)
zorvane_font_subsets(${CMAKE_BINARY_DIR}/fonts windowsFonts WITH_LICENCES)
add_custom_target(zorvane-fonts ALL DEPENDS ${windowsFonts})
