# Writes OUTPUT, the table of code page 932's two-byte characters the screen's encoding reads
# (editor/screen_encoding.cpp): for each lead byte of LEADS and each trail byte 0x40..0x7E,
# 0x80..0xFC in order, the character's UTF-16 code unit as ICONV reads it, 0 where the pair
# is no character. The leads of the user-defined area are left out, and so are those with no
# character at all.
# With FILLED true the table is left for the front-end to fill (the page, from the browser's
# decoder): only its leads are written, and its size.
# cmake -DOUTPUT=... -DICONV=... [-DFILLED=ON] -P screen_encoding.cmake
cmake_minimum_required(VERSION 3.20)

set(leads)
foreach(range "129;132" "135;159" "224;234" "237;238" "250;252")
  list(GET range 0 first)
  list(GET range 1 last)
  foreach(lead RANGE ${first} ${last})
    list(APPEND leads ${lead})
  endforeach()
endforeach()

string(REPLACE ";" "," lead_list "${leads}")
list(LENGTH leads lead_count)
math(EXPR expected "${lead_count} * 188")
if(FILLED)
  file(WRITE "${OUTPUT}.new"
    "// Generated at build time by editor/screen_encoding.cmake; the front-end fills the table.\n"
    "#pragma once\n"
    "#include <cstdint>\n"
    "#define QUILMORANTE_SCREEN_TABLE_FILLED 1\n"
    "inline constexpr uint8_t kCp932Leads[] = {${lead_list}};\n"
    "inline constexpr int kCp932PairCount = ${expected};\n")
  file(RENAME "${OUTPUT}.new" "${OUTPUT}")
  return()
endif()

# Every pair of one lead, each on a line of its own; the lead is a placeholder byte, put in
# place for each lead in turn.
string(ASCII 1 placeholder)
set(pairs "")
foreach(trail RANGE 64 252)
  if(NOT trail EQUAL 127)
    string(ASCII ${trail} 10 tail)
    string(APPEND pairs "${placeholder}${tail}")
  endif()
endforeach()
set(input "")
foreach(lead IN LISTS leads)
  string(ASCII ${lead} byte)
  string(REPLACE "${placeholder}" "${byte}" lines "${pairs}")
  string(APPEND input "${lines}")
endforeach()
file(WRITE "${OUTPUT}.in" "${input}")

# A pair that is no character is left out whole (-c): its line is empty. A lead byte iconv
# refuses alone leaves its trail, which never reads as a character a pair has (checked in the
# program: ASCII and the half-width katakana are single bytes).
execute_process(COMMAND "${ICONV}" -c -f CP932 -t UTF-16BE "${OUTPUT}.in"
  OUTPUT_FILE "${OUTPUT}.out" RESULT_VARIABLE status)
file(READ "${OUTPUT}.out" hex HEX)
file(REMOVE "${OUTPUT}.in" "${OUTPUT}.out")
string(TOLOWER "${hex}" hex)
# Code units each followed by ';'; the line ends ("000a", which no pair reads as) become new
# lines; a line's unit, or 0 for an empty one.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f])" "\\1;" units "${hex}")
string(REPLACE "000a;" "\n" units "${units}")
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f]);\n" "0x\\1,\n" units "${units}")
string(REGEX REPLACE "(^|\n)\n" "\\10,\n" units "${units}")
string(REGEX REPLACE "(^|\n)\n" "\\10,\n" units "${units}")
string(REGEX MATCHALL "\n" ends "${units}")
list(LENGTH ends count)
if(units MATCHES ";" OR NOT count EQUAL expected)
  message(FATAL_ERROR "${ICONV} did not read code page 932 a pair a line (${count} of ${expected})")
endif()
file(WRITE "${OUTPUT}.new"
  "// Generated at build time by editor/screen_encoding.cmake from ${ICONV}'s code page 932.\n"
  "#pragma once\n"
  "#include <cstdint>\n"
  "inline constexpr uint8_t kCp932Leads[] = {${lead_list}};\n"
  "inline constexpr int kCp932PairCount = ${expected};\n"
  "inline constexpr uint16_t kCp932Pairs[] = {\n${units}};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
