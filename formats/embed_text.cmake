# Writes OUTPUT, a header declaring NAME as the text of INPUT, so the tool carries the file.
# What several shaders share is written once, in a file of its own that each includes: a line
#   #include "shared/inputs.glsl" TABLE="atlasTexture" LOOP_NOTE=""
# stands for the whole text of that file (named from INPUT's folder), with each @TABLE@ in it
# written atlasTexture and each @LOOP_NOTE@ left out.
# cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P embed_text.cmake
get_filename_component(folder "${INPUT}" DIRECTORY)
get_filename_component(source "${INPUT}" NAME)
file(READ "${INPUT}" rest)
# rest, the text not yet copied, keeps a newline before it, so that every line starts after
# one.
set(rest "\n${rest}")
set(text "")
while(rest MATCHES "\n(#include \"([^\"\n]+)\"(( [A-Z_]+=\"[^\"\n]*\")*)\n)")
  set(directive "${CMAKE_MATCH_1}")
  set(included "${CMAKE_MATCH_2}")
  set(values "${CMAKE_MATCH_3}")
  file(READ "${folder}/${included}" piece)
  while(values MATCHES "^ ([A-Z_]+)=\"([^\"]*)\"(.*)$")
    set(values "${CMAKE_MATCH_3}")
    set(placeholder "@${CMAKE_MATCH_1}@")
    set(value "${CMAKE_MATCH_2}")
    string(FIND "${piece}" "${placeholder}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${source}: ${included} has no ${placeholder}")
    endif()
    string(REPLACE "${placeholder}" "${value}" piece "${piece}")
  endwhile()
  if(piece MATCHES "@[A-Z_]+@")
    message(FATAL_ERROR "${source}: ${included}: no value for ${CMAKE_MATCH_0}")
  endif()
  # What comes before the directive, its own newline included, then the piece in its place.
  string(FIND "${rest}" "\n${directive}" at)
  string(SUBSTRING "${rest}" 1 ${at} before)
  string(LENGTH "${directive}" length)
  math(EXPR at "${at} + ${length}")
  string(SUBSTRING "${rest}" ${at} -1 rest)
  string(APPEND text "${before}${piece}")
endwhile()
string(SUBSTRING "${rest}" 1 -1 rest)
string(APPEND text "${rest}")
string(FIND "${text}" ")embedded\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string's closing sequence")
endif()
file(WRITE "${OUTPUT}.new"
  "// Generated from formats/shaders/${source} at build time; edit that file and the ones it\n"
  "// includes.\n"
  "#pragma once\n"
  "inline constexpr char ${NAME}[] = R\"embedded(${text})embedded\";\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
