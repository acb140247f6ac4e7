# Writes OUTPUT, the header of the editor's screen texts, from TABLE (editor_texts.txt): the
# struct ScreenTexts with a field a name, its values in Japanese and in English, and every
# line of the table beside the value made from it. ICONV converts each text to code page 932,
# the bytes the fonts draw, as the program's own iconv reads them back.
# cmake -DTABLE=... -DOUTPUT=... -DICONV=... -P editor_texts.cmake
cmake_minimum_required(VERSION 3.20)

# A C string literal of BYTES: printable ASCII as itself, every other byte as a hex escape. A
# literal splits where a hex escape would otherwise swallow the next character.
function(c_literal bytes out)
  string(HEX "${bytes}" hex)
  string(LENGTH "${hex}" length)
  set(literal "\"")
  set(escaped FALSE)
  set(i 0)
  while(i LESS length)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    math(EXPR code "0x${byte}")
    if(code LESS 32 OR code GREATER 126)
      string(TOUPPER "${byte}" byte)
      string(APPEND literal "\\x${byte}")
      set(escaped TRUE)
    else()
      string(ASCII ${code} c)
      if(c STREQUAL "\"" OR c STREQUAL "\\")
        set(c "\\${c}")
      elseif(escaped AND c MATCHES "[0-9A-Fa-f]")
        string(APPEND literal "\" \"")
      endif()
      string(APPEND literal "${c}")
      set(escaped FALSE)
    endif()
    math(EXPR i "${i} + 2")
  endwhile()
  set(${out} "${literal}\"" PARENT_SCOPE)
endfunction()

# The literal of TEXT as the program holds it: code page 932, or UTF-8 where CP932 is false.
# Printable ASCII is the same in both.
function(held_literal text cp932 where out)
  if(NOT cp932 OR text MATCHES "^[ -~]*$")
    c_literal("${text}" literal)
    set(${out} "${literal}" PARENT_SCOPE)
    return()
  endif()
  file(WRITE "${OUTPUT}.text" "${text}")
  execute_process(COMMAND "${ICONV}" -f UTF-8 -t CP932 "${OUTPUT}.text"
    OUTPUT_VARIABLE bytes ERROR_VARIABLE error RESULT_VARIABLE status)
  file(REMOVE "${OUTPUT}.text")
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${where}: code page 932 cannot hold \"${text}\": ${error}")
  endif()
  c_literal("${bytes}" literal)
  set(${out} "${literal}" PARENT_SCOPE)
endfunction()

# The table's lines, taken one at a time: a CMake list would split a text at ';' and join
# lines across an unmatched '['.
file(READ "${TABLE}" table)
string(REPLACE "\r\n" "\n" table "${table}")
set(fields)
set(previous "")
set(line_number 0)
while(NOT table STREQUAL "")
  string(FIND "${table}" "\n" end)
  if(end EQUAL -1)
    set(line "${table}")
    set(table "")
  else()
    string(SUBSTRING "${table}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${table}" ${end} -1 table)
  endif()
  math(EXPR line_number "${line_number} + 1")
  set(where "${TABLE}:${line_number}")
  if(line MATCHES "^[ \t]*(#.*)?$")
    continue()
  endif()
  if(NOT line MATCHES "^([A-Za-z][A-Za-z0-9]*)([ \t]+utf8)?[ \t]+\"([^\"]*)\"[ \t]+\"([^\"]*)\"[ \t]*$")
    message(FATAL_ERROR "${where}: not a name, an optional utf8, and two texts in double quotes")
  endif()
  set(name "${CMAKE_MATCH_1}")
  set(japanese "${CMAKE_MATCH_3}")
  set(english "${CMAKE_MATCH_4}")
  if("${CMAKE_MATCH_2}" STREQUAL "")
    set(cp932 true)
  else()
    set(cp932 false)
  endif()
  if(NOT name STREQUAL previous)
    if(name IN_LIST fields)
      message(FATAL_ERROR "${where}: ${name} again: a list's lines go one after another")
    endif()
    list(APPEND fields ${name})
    set(count_${name} 0)
  endif()
  set(previous "${name}")
  set(index ${count_${name}})
  math(EXPR count_${name} "${index} + 1")
  held_literal("${japanese}" ${cp932} "${where}" japanese_${name}_${index})
  held_literal("${english}" ${cp932} "${where}" english_${name}_${index})
  c_literal("${japanese}" japanese_utf8_${name}_${index})
  c_literal("${english}" english_utf8_${name}_${index})
  set(cp932_${name}_${index} ${cp932})
endwhile()

set(members "")
set(japanese_values "")
set(english_values "")
set(lines "")
foreach(name IN LISTS fields)
  math(EXPR last "${count_${name}} - 1")
  if(last EQUAL 0)
    string(APPEND members "  const char* ${name};\n")
  else()
    math(EXPR size "${count_${name}} + 1")
    string(APPEND members "  const char* ${name}[${size}];\n")
  endif()
  foreach(language japanese english)
    if(last EQUAL 0)
      string(APPEND ${language}_values "    .${name} = ${${language}_${name}_0},\n")
    else()
      string(APPEND ${language}_values "    .${name} =\n        {\n")
      foreach(index RANGE ${last})
        string(APPEND ${language}_values "            ${${language}_${name}_${index}},\n")
      endforeach()
      string(APPEND ${language}_values "            nullptr,\n        },\n")
    endif()
  endforeach()
  foreach(index RANGE ${last})
    set(field ${name})
    if(NOT last EQUAL 0)
      set(field "${name}[${index}]")
    endif()
    string(APPEND lines "    {\"${field}\", ${japanese_utf8_${name}_${index}},\n"
      "     ${english_utf8_${name}_${index}},\n"
      "     kJapaneseTexts.${field}, kEnglishTexts.${field}, ${cp932_${name}_${index}}},\n")
  endforeach()
endforeach()

get_filename_component(table_name "${TABLE}" NAME)
file(WRITE "${OUTPUT}.new"
  "// Generated from editor/${table_name} at build time by editor/editor_texts.cmake; edit the\n"
  "// table. A list ends in a null pointer.\n"
  "#pragma once\n"
  "\n"
  "struct ScreenTexts {\n${members}};\n"
  "\n"
  "inline constexpr ScreenTexts kJapaneseTexts = {\n${japanese_values}};\n"
  "\n"
  "inline constexpr ScreenTexts kEnglishTexts = {\n${english_values}};\n"
  "\n"
  "// A line of the table: its field, its texts in UTF-8 as written, the values made from them,\n"
  "// and whether those are code page 932 (or else UTF-8).\n"
  "struct ScreenTextLine {\n"
  "  const char* field;\n"
  "  const char* japanese;\n"
  "  const char* english;\n"
  "  const char* japaneseHeld;\n"
  "  const char* englishHeld;\n"
  "  bool cp932;\n"
  "};\n"
  "\n"
  "inline constexpr ScreenTextLine kScreenTextLines[] = {\n${lines}};\n")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
