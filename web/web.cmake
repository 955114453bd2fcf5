# The web build, included from the top CMakeLists.txt under emscripten's toolchain:
#   zorvane-replay.js  the replay tool for node, one file, traces identical to the native one
#   site/              the page: index.html, its script, the game's wasm module and the fonts
set(ZORVANE_NODE_FLAGS -sSINGLE_FILE=1 -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=node)

add_executable(zorvane-replay app/zorvane_replay.cpp)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_NO_SCREENSHOT ZORVANE_VERSION="${PROJECT_VERSION}")
target_link_options(zorvane-replay PRIVATE ${ZORVANE_NODE_FLAGS})
set_target_properties(zorvane-replay PROPERTIES SUFFIX .js)
zorvane_warnings(zorvane-replay)
