# The web build, included from the top CMakeLists.txt under emscripten's toolchain:
#   zorvane-replay.js  the replay tool for node, one file, traces and pictures identical to the
#                      native one
#   site/              the page: index.html, its scripts, the game's wasm module (which paints
#                      the picture), the font files it draws text with, the icons, the web app
#                      manifest and the service worker that keeps it all for playing offline
set(ZORVANE_NODE_FLAGS -sSINGLE_FILE=1 -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1 -sENVIRONMENT=node)

add_executable(zorvane-replay app/zorvane_replay.cpp)
target_link_libraries(zorvane-replay PRIVATE zorvane_replaylib zorvane_image)
target_compile_definitions(zorvane-replay PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
target_link_options(zorvane-replay PRIVATE ${ZORVANE_NODE_FLAGS})
set_target_properties(zorvane-replay PROPERTIES SUFFIX .js)
zorvane_warnings(zorvane-replay)

# The page: a folder of static files that any web server can host.
set(ZORVANE_SITE ${CMAKE_BINARY_DIR}/site)
add_executable(zorvane-page web/binding.cpp)
target_link_libraries(zorvane-page PRIVATE zorvane_session zorvane_digest)
target_compile_definitions(zorvane-page PRIVATE ZORVANE_VERSION="${PROJECT_VERSION}")
set_target_properties(zorvane-page PROPERTIES OUTPUT_NAME zorvane SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${ZORVANE_SITE})
target_link_options(zorvane-page PRIVATE -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=createZorvane
  -sALLOW_MEMORY_GROWTH=1 -sEXPORTED_FUNCTIONS=_malloc,_free
  -sEXPORTED_RUNTIME_METHODS=UTF8ToString,stringToUTF8,lengthBytesUTF8)
zorvane_warnings(zorvane-page)

# The window's faces (paint/faces.cmake), cut to the characters the game draws with them;
# the page preloads each of them.
zorvane_font_subsets(${ZORVANE_SITE}/fonts webFonts)
set(ZORVANE_FONT_PRELOADS "")
foreach(font ${webFonts})
  get_filename_component(name ${font} NAME)
  string(APPEND ZORVANE_FONT_PRELOADS "<link rel=\"preload\" href=\"fonts/${name}\" as=\"fetch\" crossorigin>\n")
endforeach()
string(STRIP "${ZORVANE_FONT_PRELOADS}" ZORVANE_FONT_PRELOADS)

# The picture's sizes in window units and the length of a jump, from the game's constants.
include(cmake/facts.cmake)
zorvane_fact(ZORVANE_PICTURE_WIDTH game/form1.h designWidth)
zorvane_fact(ZORVANE_PICTURE_HEIGHT game/form1.h designHeight)
zorvane_fact(palette editor/screen.h paletteWidth)
math(EXPR ZORVANE_EDITOR_WIDTH "${ZORVANE_PICTURE_WIDTH} + ${palette}")
zorvane_fact(jump session/session.h jumpLength)
math(EXPR ZORVANE_JUMP_SECONDS "${jump} / 1000")

configure_file(web/index.html ${ZORVANE_SITE}/index.html @ONLY)
# (The manifest's two screenshots are the replay tool's pictures, kept in web/: see README.md.)
foreach(file page.js sound.js watch.js board.js pointer.js gamepad.js manifest.webmanifest screenshot-wide.png
        screenshot-narrow.png)
  configure_file(web/${file} ${ZORVANE_SITE}/${file} COPYONLY)
endforeach()

add_custom_target(zorvane-fonts ALL DEPENDS ${webFonts})

# The icons (drawn by the game's icon code, under node), the service worker with the list
# of the site's files and their hash, and the compressed copies of the files, once
# everything else of the site is built.
add_executable(zorvane-web-icon web/make_icons.cpp)
target_link_libraries(zorvane-web-icon PRIVATE zorvane_image)
target_link_options(zorvane-web-icon PRIVATE ${ZORVANE_NODE_FLAGS})
set_target_properties(zorvane-web-icon PROPERTIES SUFFIX .js)
zorvane_warnings(zorvane-web-icon)
find_program(ZORVANE_NODE node REQUIRED NO_CMAKE_FIND_ROOT_PATH)
add_custom_target(zorvane-site ALL
  COMMAND ${ZORVANE_NODE} ${PROJECT_SOURCE_DIR}/web/site.mjs ${ZORVANE_SITE} $<TARGET_FILE:zorvane-web-icon>
          ${PROJECT_SOURCE_DIR}/web/sw.js
  DEPENDS web/site.mjs web/sw.js
  COMMENT "The site's icons and service worker" VERBATIM)
add_dependencies(zorvane-site zorvane-page zorvane-fonts zorvane-web-icon)
