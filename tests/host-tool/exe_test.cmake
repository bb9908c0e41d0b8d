# Runs the brimtrace-host executable (under Wine through EMULATOR for the Windows build)
# and checks exit codes and messages: a working run of each command, a usage error, a
# missing file, and a plug-in that crashes inside effOpen.
file(MAKE_DIRECTORY ${WORK})

function(run_host expected_code stdout_match stderr_match)
  execute_process(COMMAND ${EMULATOR} ${HOST} ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r" "" err "${err}")
  # Wine's own chatter may precede ours: judge the tool's last line.
  string(STRIP "${err}" last_err)
  if(last_err MATCHES "\n")
    string(REGEX REPLACE "^.*\n" "" last_err "${last_err}")
  endif()
  if(NOT code STREQUAL "${expected_code}")
    message(FATAL_ERROR "brimtrace-host ${ARGN}: exit ${code}, expected ${expected_code}\n${out}\n${err}")
  endif()
  if(NOT out MATCHES "${stdout_match}")
    message(FATAL_ERROR "brimtrace-host ${ARGN}: output does not match '${stdout_match}':\n${out}")
  endif()
  if(NOT last_err MATCHES "${stderr_match}")
    message(FATAL_ERROR "brimtrace-host ${ARGN}: error output does not match '${stderr_match}':\n${err}")
  endif()
endfunction()

run_host(0 "magic +0x56737450" "^$" info ${PLUGIN})
run_host(0 "wrote 44100 frames" "^$" signal ${WORK}/signal.wav --seconds 1)
run_host(0 "processed 44100 frames" "^$" process ${PLUGIN} ${WORK}/signal.wav ${WORK}/out.wav --block 256)
run_host(0 "30 windows of 33.333 ms" "^$" analyze ${WORK}/signal.wav --png ${WORK}/analysis.png --json ${WORK}/analysis.json)
run_host(1 "^$" "^brimtrace-host: .*missing.wav" analyze ${WORK}/missing.wav)
run_host(2 "^$" "^brimtrace-host: no command given" )
run_host(1 "^$" "^brimtrace-host: no plug-in file" info ${WORK}/missing${SUFFIX})
run_host(3 "^$" "^brimtrace-host: the plug-in crashed" info ${FAKE_DIR}/fake_crash${SUFFIX})
