# What every Windows program of the project carries: windows/utf8.manifest, which makes the
# ANSI code page UTF-8, so that the C library's and the libraries' char paths are the UTF-8
# paths the code passes around.
enable_language(RC)
set(quilmorante_manifest_rc ${CMAKE_BINARY_DIR}/utf8_manifest.rc)
file(WRITE ${quilmorante_manifest_rc}
     "1 24 \"${CMAKE_SOURCE_DIR}/windows/utf8.manifest\"\n")
set_property(SOURCE ${quilmorante_manifest_rc} APPEND PROPERTY
             OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/windows/utf8.manifest)

# Adds the manifest to the executables of the folder and of every folder below it.
function(quilmorante_add_manifests folder)
  get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      target_sources(${target} PRIVATE ${quilmorante_manifest_rc})
    endif()
  endforeach()
  get_property(folders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
  foreach(below IN LISTS folders)
    quilmorante_add_manifests(${below})
  endforeach()
endfunction()
quilmorante_add_manifests(${CMAKE_SOURCE_DIR})
