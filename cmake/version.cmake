# brimtrace_version_resource(<target> <file name> <description>): on Windows, a
# VERSIONINFO resource with the project's version, so that the file's properties and
# hosts' plug-in managers show which release it is. Nothing on Linux.
function(brimtrace_version_resource target file_name description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(BRIMTRACE_FILE_TYPE 2)  # VFT_DLL
  else()
    set(BRIMTRACE_FILE_TYPE 1)  # VFT_APP
  endif()
  set(BRIMTRACE_FILE_NAME "${file_name}")
  set(BRIMTRACE_FILE_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
