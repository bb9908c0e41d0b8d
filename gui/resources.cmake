# Images: the image table and bridge, and the four PNG files embedded in the plug-in
# (Windows: "DATA" resources compiled by windres; Linux: linked into the library).
set(BRIMTRACE_ASSET_DIR ${PROJECT_SOURCE_DIR}/assets)
set(BRIMTRACE_ASSETS
    ${BRIMTRACE_ASSET_DIR}/QUILLMERE_LogoTealGlow.PNG
    ${BRIMTRACE_ASSET_DIR}/QUILLMERE_WebLinkText.png
    ${BRIMTRACE_ASSET_DIR}/QUILLMERE_LogoTealGlow_Brimtrace.png
    ${BRIMTRACE_ASSET_DIR}/50x50square_top_ON.png)

if(WIN32)
  # Resources only reach a module when their object file is linked directly, so every
  # consumer of brimtrace_core (the plug-in DLL, test executables) gets the object.
  add_library(brimtrace_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/resources.rc)
  target_include_directories(brimtrace_resources PRIVATE ${BRIMTRACE_ASSET_DIR})
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/resources.rc PROPERTIES OBJECT_DEPENDS "${BRIMTRACE_ASSETS}")
  target_link_libraries(brimtrace_core INTERFACE $<TARGET_OBJECTS:brimtrace_resources>)
  add_dependencies(brimtrace_core brimtrace_resources)
else()
  target_sources(brimtrace_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/resources_linux.cpp)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/resources_linux.cpp TARGET_DIRECTORY brimtrace_core
    PROPERTIES OBJECT_DEPENDS "${BRIMTRACE_ASSETS}" COMPILE_OPTIONS "-Wa,-I${BRIMTRACE_ASSET_DIR}")
endif()
