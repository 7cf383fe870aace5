# A library a target opens on first use (platform/library) instead of linking it: the target
# gets its SONAME as the compile definition <define>, read from the library found for linking so
# the build and the installed package agree on the version; the packaging names the package that
# holds each such library (QUORVEX_OPENED_LIBRARIES), since dpkg-shlibdeps cannot see them.
function(quorvex_opened_library target name define)
  find_library(QX_LIB_${name} NAMES ${name} REQUIRED)
  execute_process(COMMAND readelf -d ${QX_LIB_${name}} OUTPUT_VARIABLE dynamic ERROR_QUIET)
  if(NOT dynamic MATCHES "Library soname: \\[([^]]+)\\]")
    message(FATAL_ERROR "${QX_LIB_${name}} names no SONAME")
  endif()
  target_compile_definitions(${target} PRIVATE ${define}="${CMAKE_MATCH_1}")
  set_property(GLOBAL APPEND PROPERTY QUORVEX_OPENED_LIBRARIES ${QX_LIB_${name}})
endfunction()
