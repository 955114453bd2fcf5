# The faces the game draws with, the one list of them: the painter's table of font files
# (paint/text.cpp), the cut font files of the page (web/web.cmake, with their preloads) and
# of the Windows build's fonts folder (win/win.cmake), and the Debian package's Depends
# (cmake/package.cmake) are all made from it. One face a line:
#   design face|weight|short name|Debian file|its package|fallback file|characters the game draws with it
# The characters are those of the face's captions in game/design.cpp and of the texts the
# game puts in them (scores, counts, brick captions, "Level: N"), and "?", which stands for a
# character a face lacks (a file's name); plain Arial captions
# nothing the game shows. Bold Arial also draws the layout editor's words and the names of
# its files ("editor": letters, digits and the marks a name or a message holds).
set(ZORVANE_FACES
  "Arial|400|arial-400|/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf|fonts-liberation2|/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf| 0123456789?"
  "Arial|700|arial-700|/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf|fonts-liberation2|/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf|editor"
  "Times New Roman|400|times-400|/usr/share/fonts/truetype/liberation2/LiberationSerif-Regular.ttf|fonts-liberation2|/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf| ZORVANE?"
  "Times New Roman|700|times-700|/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf|fonts-liberation2|/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf| Level:0123456789-?"
  "Impact|700|impact-700|/usr/share/fonts/opentype/yanone-kaffeesatz/YanoneKaffeesatz-Bold.otf|fonts-yanone-kaffeesatz|/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf| LivesScoreHighBricks?"
  "Lucida Handwriting|700|lucida-700|/usr/share/fonts/opentype/dancingscript/DancingScript-Bold.otf|fonts-dancingscript|/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf| Game Over?"
  "MS Song|400|song-400|/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf|fonts-arphic-gbsn00lp|/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf| Pause?")

# The painter's table: one C++ initializer a face, in build/generated/paint/faces.inc.
set(ZORVANE_FACE_PACKAGES)
set(faceTable "")
foreach(entry ${ZORVANE_FACES})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 face)
  list(GET fields 1 weight)
  list(GET fields 2 name)
  list(GET fields 3 path)
  list(GET fields 4 package)
  list(GET fields 5 fallback)
  string(APPEND faceTable "{\"${face}\", ${weight}, \"${name}\", \"${path}\", \"${fallback}\"},\n")
  list(APPEND ZORVANE_FACE_PACKAGES ${package})
endforeach()
list(REMOVE_DUPLICATES ZORVANE_FACE_PACKAGES)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/paint/faces.inc CONTENT "${faceTable}" @ONLY)

# Their licences, as Debian ships them (the Windows build's fonts folder carries them).
set(ZORVANE_FONT_LICENCES
  liberation /usr/share/doc/fonts-liberation2/copyright
  yanone-kaffeesatz /usr/share/doc/fonts-yanone-kaffeesatz/copyright
  dancingscript /usr/share/doc/fonts-dancingscript/copyright
  arphic /usr/share/doc/fonts-arphic-gbsn00lp/copyright)

# Writes the faces into DIR as NAME.ttf, each cut to the characters the game draws with it;
# the glyphs' outlines, metrics and kerning stay as they are, so the page and the Windows
# build draw what the Linux window does. With WITH_LICENCES the licences go beside them as
# licence-NAME.txt. The list of files made goes to the variable OUT.
function(zorvane_font_subsets dir out)
  find_program(PYFTSUBSET pyftsubset REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(made)
  foreach(entry ${ZORVANE_FACES})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 2 name)
    list(GET fields 3 source)
    list(GET fields 6 drawn)
    set(file ${dir}/${name}.ttf)
    set(chars --text=${drawn})
    if(drawn STREQUAL "editor")  # space ! " ' ( ) + , - . / 0-9 : ; < > ? A-Z \ _ a-z
      set(chars --unicodes=U+0020-0022,U+0027-0029,U+002B-003C,U+003E-003F,U+0041-005A,U+005C,U+005F,U+0061-007A)
    endif()
    add_custom_command(OUTPUT ${file} DEPENDS ${source} ${PROJECT_SOURCE_DIR}/paint/faces.cmake
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${PYFTSUBSET} ${source} ${chars} --layout-features=kern --notdef-outline
              --no-hinting --desubroutinize --output-file=${file}
      COMMENT "Font ${name}" VERBATIM)
    list(APPEND made ${file})
  endforeach()
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
