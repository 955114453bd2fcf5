# Facts of the game that files other than C++ state (the page's sizes and buttons), read from
# the game's own constants at configure time, so that each is written once, in its header.
#   zorvane_fact(VAR HEADER NAME): VAR = N of the first "NAME = N" in HEADER (from the
#   source folder); a header without one stops the configure.
function(zorvane_fact var header name)
  set(path ${PROJECT_SOURCE_DIR}/${header})
  file(STRINGS ${path} lines REGEX "${name} = [0-9]+")
  if(NOT lines MATCHES "${name} = ([0-9]+)")
    message(FATAL_ERROR "no '${name} = N' in ${header}")
  endif()
  set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
endfunction()
