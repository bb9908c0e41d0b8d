# Builds each probe target alone; every one must fail because its header is not found.
foreach(probe ${PROBES})
  string(REPLACE ":" ";" parts ${probe})
  list(GET parts 0 target)
  list(GET parts 1 header)
  execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(FIND "${out}" "${header}: No such file" missing)
  if(result EQUAL 0 OR missing EQUAL -1)
    message(FATAL_ERROR "${target}: an upward include of ${header} did not fail as a missing header:\n${out}")
  endif()
  message(STATUS "${target}: ${header} not reachable")
endforeach()
