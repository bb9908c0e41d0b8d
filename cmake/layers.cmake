# Include paths by layer. A layer's headers are named from the repository root
# ("runtime/fablo.h"), but no target exports the root: each exporting target gets an
# include folder of its own in the build tree holding links to just the folders or
# files it offers. A target sees the headers of the targets it links and no others, so
# an include that points up a layer fails to build.

# brimtrace_export_headers(<target> <scope> <name> <path>...): <path> is a folder or a
# header, relative to the repository root, reached from <target> (and, with PUBLIC or
# INTERFACE, from what links it) under the same relative path.
function(brimtrace_export_headers target scope name)
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  foreach(path ${ARGN})
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT IS_SYMLINK ${root}/${path})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# Adds every folder below the current one that has a CMakeLists.txt (tools, tests).
macro(brimtrace_add_subfolders)
  file(GLOB subfolders LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(subfolder ${subfolders})
    if(EXISTS ${subfolder}/CMakeLists.txt)
      add_subdirectory(${subfolder})
    endif()
  endforeach()
endmacro()
