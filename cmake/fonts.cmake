# The window's faces (paint/text.cpp's faceFiles), each cut to the characters the game draws
# with it (its captions, in game/design.cpp, and the texts the game puts in them: scores,
# counts, brick captions, "Level: N"); the glyphs' outlines, metrics and kerning stay as they
# are, so the page and the Windows build draw what the Linux window does. Plain Arial
# captions nothing the game shows.
find_program(PYFTSUBSET pyftsubset REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(ZORVANE_FONT_FILES
  arial-400 /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf " 0123456789"
  arial-700 /usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf " 0123456789-?!"
  times-400 /usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf " ZORVANE"
  times-700 /usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf " Level:0123456789-"
  impact-700 /usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Bold.otf " LivesScoreHighBricks"
  lucida-700 /usr/share/fonts/opentype/dancingscript/DancingScript-Bold.otf " Game Over"
  song-400 /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf " Pause")
# Their licences, as Debian ships them.
set(ZORVANE_FONT_LICENCES
  liberation /usr/share/doc/fonts-liberation2/copyright
  yanone-kaffeesatz /usr/share/doc/fonts-yanone-kaffeesatz/copyright
  dancingscript /usr/share/doc/fonts-dancingscript/copyright
  arphic /usr/share/doc/fonts-arphic-gbsn00lp/copyright)

# Writes the cut faces into DIR as NAME.ttf (with the licences as licence-NAME.txt when
# WITH_LICENCES is given); the list of files made goes to the variable OUT.
function(zorvane_font_subsets dir out)
  set(files ${ZORVANE_FONT_FILES})
  set(made)
  while(files)
    list(POP_FRONT files name source drawn)
    set(file ${dir}/${name}.ttf)
    add_custom_command(OUTPUT ${file} DEPENDS ${source} ${PROJECT_SOURCE_DIR}/cmake/fonts.cmake
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${PYFTSUBSET} ${source} --text=${drawn} --layout-features=kern --notdef-outline
              --no-hinting --desubroutinize --output-file=${file}
      COMMENT "Font ${name}" VERBATIM)
    list(APPEND made ${file})
  endwhile()
  if("WITH_LICENCES" IN_LIST ARGN)
    set(licences ${ZORVANE_FONT_LICENCES})
    while(licences)
      list(POP_FRONT licences name source)
      set(file ${dir}/licence-${name}.txt)
      add_custom_command(OUTPUT ${file} DEPENDS ${source}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${file} VERBATIM)
      list(APPEND made ${file})
    endwhile()
  endif()
  set(${out} ${made} PARENT_SCOPE)
endfunction()
