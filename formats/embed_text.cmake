# Writes OUTPUT, a header declaring NAME as the text of INPUT, so the tool carries the file.
# cmake -DINPUT=... -DOUTPUT=... -DNAME=... -P embed_text.cmake
file(READ "${INPUT}" text)
string(FIND "${text}" ")embedded\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} contains the raw string's closing sequence")
endif()
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new"
  "// Generated from formats/shaders/${source} at build time; edit that file.\n"
  "#pragma once\n"
  "inline constexpr char ${NAME}[] = R\"embedded(${text})embedded\";\n")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
