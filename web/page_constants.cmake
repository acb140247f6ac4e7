# Writes OUTPUT, page_constants.js: the numbers and names the page's JavaScript shares with the
# C++ side, read from the headers that hold them, so that the page never keeps copies of its
# own. A constant keeps its C++ name (a struct's as a member of an object named after the
# struct); an enum becomes an object of all its values. Also writes INDEX_OUTPUT, the page
# from INDEX with each @name@ replaced by that constant, and DEPFILE, the headers read.
# Fails, naming it, on a name the headers do not declare once with a plain value, and on a
# page of PAGES (comma-separated) that imports from page_constants.js what it does not give.
# EXAMPLE_SLOTS (comma-separated) becomes EXAMPLE_SLOTS: the slots the site carries.
# cmake -DREPO=... -DOUTPUT=... -DINDEX=... -DINDEX_OUTPUT=... -DDEPFILE=... -DPAGES=...
#       -DEXAMPLE_SLOTS=... -P page_constants.cmake
cmake_minimum_required(VERSION 3.20)

# Each header, relative to REPO, and what the page takes from it: constants by name (kName,
# or Struct::kName), enums as "enum Name".
set(wanted
  "shell/core/rasterizer.h: kScreenWidth kScreenHeight"
  "editor/editor_canvas.h: kFontHeights"
  "shell/core/text_faces.h: TextFaces::kBoxWidth TextFaces::kBoxHeight"
  "shell/desktop/frame_pacer.h: kFrameRateCeiling"
  "generator/key_codes.h: kKeyCodeCount enum KeyCode"
  "store/data_folder.h: kWhiteTextureFile kResultsFolder kSettingsFile"
  "generator/frame_template.h: kFrameTemplateFile"
  "generator/slot_files.h: kSlotsFolder"
  "generator/program_limits.h: enum Language"
  "generator/frame_clock.h: enum PointerShape"
  "web/exporter_protocol.h: enum ExportState enum ExportText enum ExportList")

set(integer "-?(0[xX][0-9A-Fa-f]+|[0-9]+)")
set(space "[ \t\n]")
get_filename_component(REPO "${REPO}" ABSOLUTE)

function(fail message)
  message(FATAL_ERROR "page_constants.cmake: ${message}")
endfunction()

# The items of a comma-separated TEXT into the list OUT, each stripped, the empty ones left out.
function(comma_items text out)
  string(REPLACE "," ";" items "${text}")
  set(kept)
  foreach(item IN LISTS items)
    string(STRIP "${item}" item)
    if(NOT item STREQUAL "")
      list(APPEND kept "${item}")
    endif()
  endforeach()
  set(${out} "${kept}" PARENT_SCOPE)
endfunction()

# What follows the first FOUND in TEXT, into OUT.
function(text_after text found out)
  string(FIND "${text}" "${found}" at)
  string(LENGTH "${found}" length)
  math(EXPR at "${at} + ${length}")
  string(SUBSTRING "${text}" ${at} -1 rest)
  set(${out} "${rest}" PARENT_SCOPE)
endfunction()

# The first match of REGEX in TEXT into OUT and its groups 1 to 3 into OUT_1 .. OUT_3; fails
# naming WHAT when there is no match, or a second one after it.
function(match_once text regex what out)
  string(REGEX MATCH "${regex}" found "${text}")
  if(found STREQUAL "")
    fail("${what}: not found")
  endif()
  foreach(n 1 2 3)
    set(${out}_${n} "${CMAKE_MATCH_${n}}" PARENT_SCOPE)
  endforeach()
  text_after("${text}" "${found}" rest)
  if(rest MATCHES "${regex}")
    fail("${what}: declared more than once")
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# An integer literal's value in decimal; fails naming WHAT on anything else.
function(integer_value literal what out)
  string(STRIP "${literal}" literal)
  if(NOT literal MATCHES "^${integer}$")
    fail("${what} = ${literal}: not an integer")
  endif()
  math(EXPR value "${literal}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The JavaScript value of a constant's initialiser: an integer, a string without escapes, or
# a list of integers in braces.
function(constant_value literal what out)
  string(STRIP "${literal}" literal)
  if(literal MATCHES "^\"[^\"\\\\]*\"$")
    set(${out} "${literal}" PARENT_SCOPE)
  elseif(literal MATCHES "^{([^{}]*)}$")
    comma_items("${CMAKE_MATCH_1}" items)
    set(values)
    foreach(item IN LISTS items)
      integer_value("${item}" "${what}" value)
      list(APPEND values ${value})
    endforeach()
    list(JOIN values ", " values)
    set(${out} "[${values}]" PARENT_SCOPE)
  elseif(literal MATCHES "^${integer}$")
    integer_value("${literal}" "${what}" value)
    set(${out} ${value} PARENT_SCOPE)
  else()
    fail("${what} = ${literal}: not an integer, a string or a list of integers")
  endif()
endfunction()

# The members of an object, on one line when they fit, otherwise filling lines of up to 96
# characters.
function(object_literal members out)
  list(JOIN members ", " line)
  string(LENGTH "${line}" length)
  if(length LESS 72)
    set(${out} "{ ${line} }" PARENT_SCOPE)
    return()
  endif()
  set(object "{\n ")
  set(line 1)
  foreach(member IN LISTS members)
    string(LENGTH " ${member}," length)
    math(EXPR length "${line} + ${length}")
    if(length GREATER 96)
      string(APPEND object "\n ")
      set(line 1)
      string(LENGTH " ${member}," length)
      math(EXPR length "${line} + ${length}")
    endif()
    string(APPEND object " ${member},")
    set(line ${length})
  endforeach()
  set(${out} "${object}\n}" PARENT_SCOPE)
endfunction()

set(module "// The numbers and names the page shares with the C++ side, written by the build
// from the headers named below (web/page_constants.cmake): change them there.
")
set(exported)  # every name the module exports
set(scalars)   # the constants whose values an @name@ of the page may stand for
set(headers)
foreach(entry IN LISTS wanted)
  if(NOT entry MATCHES "^([^:]+):(.*)$")
    fail("\"${entry}\": not a header and its names")
  endif()
  set(header "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" names)
  string(REGEX REPLACE "${space}+" ";" names "${names}")
  string(REPLACE "enum;" "enum " names "${names}")
  set(path "${REPO}/${header}")
  if(NOT EXISTS "${path}")
    fail("${header}: no such header")
  endif()
  list(APPEND headers "${path}")
  file(READ "${path}" text)
  string(REGEX REPLACE "//[^\n]*" "" text "${text}")
  string(APPEND module "\n// ${header}\n")
  set(structs)
  foreach(name IN LISTS names)
    set(what "${header}: ${name}")
    if(name MATCHES "^enum ([A-Za-z_][A-Za-z0-9_]*)$")
      set(enum "${CMAKE_MATCH_1}")
      set(type "(${space}*:${space}*[A-Za-z0-9_:]+)?")
      set(body "${space}*{([^}]*)}${space}*;")
      match_once("${text}" "enum${space}+(class${space}+)?${enum}${type}${body}" "${what}" found)
      comma_items("${found_3}" items)
      set(members)
      set(next 0)
      foreach(item IN LISTS items)
        if(NOT item MATCHES "^([A-Za-z_][A-Za-z0-9_]*)(${space}*=(.*))?$")
          fail("${what}: \"${item}\" is not an enumerator")
        endif()
        set(member "${CMAKE_MATCH_1}")
        if(NOT CMAKE_MATCH_2 STREQUAL "")
          integer_value("${CMAKE_MATCH_3}" "${what}::${member}" next)
        endif()
        list(APPEND members "${member}: ${next}")
        list(APPEND exported_${enum} ${member})
        math(EXPR next "${next} + 1")
      endforeach()
      if(members STREQUAL "")
        fail("${what}: no enumerators")
      endif()
      object_literal("${members}" object)
      string(APPEND module "export const ${enum} = ${object};\n")
      list(APPEND exported ${enum})
    elseif(name MATCHES "^(([A-Za-z_][A-Za-z0-9_]*)::)?([A-Za-z_][A-Za-z0-9_]*)$")
      set(struct "${CMAKE_MATCH_2}")
      set(constant "${CMAKE_MATCH_3}")
      set(scope "${text}")
      if(NOT struct STREQUAL "")
        # The struct's body: from its opening brace to the first "};" that starts a line.
        match_once("${text}" "struct${space}+${struct}${space}*{" "${header}: struct ${struct}"
                   opening)
        string(FIND "${text}" "${opening}" at)
        string(SUBSTRING "${text}" ${at} -1 scope)
        string(FIND "${scope}" "\n};" end)
        string(SUBSTRING "${scope}" 0 ${end} scope)
      endif()
      match_once("${scope}"
        "constexpr[^;={}()]*[ \t\n*&]${constant}${space}*(\\[[^;=]*\\])?${space}*=([^;]*);"
        "${what}" found)
      constant_value("${found_2}" "${what}" value)
      if(struct STREQUAL "")
        string(APPEND module "export const ${constant} = ${value};\n")
        list(APPEND exported ${constant})
        set(scalar_${constant} "${value}")
        list(APPEND scalars ${constant})
      else()
        if(NOT struct IN_LIST structs)
          list(APPEND structs ${struct})
        endif()
        list(APPEND members_${struct} "${constant}: ${value}")
        list(APPEND exported_${struct} ${constant})
      endif()
    else()
      fail("${what}: not a constant's or an enum's name")
    endif()
  endforeach()
  foreach(struct IN LISTS structs)
    object_literal("${members_${struct}}" object)
    string(APPEND module "export const ${struct} = ${object};\n")
    list(APPEND exported ${struct})
  endforeach()
endforeach()

# The site's own list, from web/CMakeLists.txt.
string(REPLACE "," ";" slots "${EXAMPLE_SLOTS}")
set(quoted)
foreach(slot IN LISTS slots)
  list(APPEND quoted "\"${slot}\"")
endforeach()
list(JOIN quoted ", " quoted)
string(APPEND module "\n// web/CMakeLists.txt: the example slots the site carries.\n"
       "export const EXAMPLE_SLOTS = [${quoted}];\n")
list(APPEND exported EXAMPLE_SLOTS)

# Every page takes from the module only what it gives: a name it imports, and a member of an
# imported object.
string(REPLACE "," ";" pages "${PAGES}")
foreach(page IN LISTS pages)
  file(READ "${page}" source)
  get_filename_component(file "${page}" NAME)
  set(imported)
  while(source MATCHES "import${space}*{([^}]*)}${space}*from${space}*\"\\./page_constants\\.js\"")
    comma_items("${CMAKE_MATCH_1}" names)
    text_after("${source}" "${CMAKE_MATCH_0}" source)
    foreach(name IN LISTS names)
      if(NOT name MATCHES "^[A-Za-z_$][A-Za-z0-9_$]*$")
        fail("${file}: imports \"${name}\": import the module's names as they are")
      elseif(NOT name IN_LIST exported)
        fail("${file}: imports ${name}, which none of the headers read here gives")
      endif()
      list(APPEND imported ${name})
    endforeach()
  endwhile()
  file(READ "${page}" source)
  foreach(name IN LISTS imported)
    if(NOT DEFINED exported_${name})
      continue()
    endif()
    set(rest "${source}")
    while(rest MATCHES "(^|[^A-Za-z0-9_$.])${name}\\.([A-Za-z_$][A-Za-z0-9_$]*)")
      set(member "${CMAKE_MATCH_2}")
      if(NOT member IN_LIST exported_${name})
        fail("${file}: uses ${name}.${member}, which ${name} does not have")
      endif()
      text_after("${rest}" "${CMAKE_MATCH_0}" rest)
    endwhile()
  endforeach()
endforeach()

# The page itself: each @name@ is a constant's value.
file(READ "${INDEX}" page)
set(rest "${page}")
while(rest MATCHES "@([A-Za-z0-9_]*)@")
  set(name "${CMAKE_MATCH_1}")
  if(NOT name IN_LIST scalars)
    fail("${INDEX}: @${name}@ is none of the constants read here")
  endif()
  string(REPLACE "@${name}@" "${scalar_${name}}" page "${page}")
  string(REPLACE "@${name}@" "" rest "${rest}")
endwhile()

file(WRITE "${OUTPUT}" "${module}")
file(WRITE "${INDEX_OUTPUT}" "${page}")
string(REPLACE " " "\\ " headers "${headers}")
list(JOIN headers " " headers)
file(WRITE "${DEPFILE}" "${OUTPUT}: ${headers}\n")
