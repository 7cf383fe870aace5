# The name a program asks dlopen for when it opens a library on first use: the SONAME of the
# library found for linking, so the build and the installed package agree on the version.
function(quorvex_soname out name)
  find_library(QX_LIB_${name} NAMES ${name} REQUIRED)
  execute_process(COMMAND readelf -d ${QX_LIB_${name}} OUTPUT_VARIABLE dynamic ERROR_QUIET)
  if(NOT dynamic MATCHES "Library soname: \\[([^]]+)\\]")
    message(FATAL_ERROR "${QX_LIB_${name}} names no SONAME")
  endif()
  set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
endfunction()
