# Runs the brimtrace-host executable (under Wine through EMULATOR for the Windows build)
# and checks exit codes and messages: a working run of each command, a usage error, a
# missing file, and a plug-in that crashes inside effOpen.
file(MAKE_DIRECTORY ${WORK})
file(GLOB stale ${WORK}/*brimtrace-tmp*)  # an earlier failed run's
if(stale)
  file(REMOVE ${stale})
endif()

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

# An unknown option or a bad value: one line, then the command's usage, exit 2.
function(usage_error pattern)
  execute_process(COMMAND ${EMULATOR} ${HOST} ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r" "" err "${err}")
  if(NOT code EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "(^|\n)brimtrace-host: ${pattern}\nUsage: brimtrace-host ")
    message(FATAL_ERROR "brimtrace-host ${ARGN}: exit ${code}, expected 2 with '${pattern}' and the usage:\n${out}\n${err}")
  endif()
endfunction()

run_host(0 "magic +0x56737450" "^$" info ${PLUGIN})
run_host(0 "wrote 44100 frames" "^$" signal ${WORK}/signal.wav --seconds 1)
run_host(0 "processed 44100 frames" "^$" process ${PLUGIN} ${WORK}/signal.wav ${WORK}/out.wav --block 256)
run_host(0 "30 windows of 33.333 ms" "^$" analyze ${WORK}/signal.wav --png ${WORK}/analysis.png --json ${WORK}/analysis.json)
run_host(1 "^$" "^brimtrace-host: .*missing.wav" analyze ${WORK}/missing.wav)
usage_error("no command given")
run_host(1 "^$" "^brimtrace-host: no plug-in file" info ${WORK}/missing${SUFFIX})
run_host(3 "^$" "^brimtrace-host: the plug-in crashed" info ${FAKE_DIR}/fake_crash${SUFFIX})

# --version, each command's --help, usage errors.
run_host(0 "^brimtrace-host [0-9.]+\n$" "^$" --version)
foreach(command info process snapshot signal compare analyze)
  run_host(0 "Usage: brimtrace-host ${command} " "^$" ${command} --help)
endforeach()
usage_error("process takes no option --frob" process ${PLUGIN} ${WORK}/signal.wav ${WORK}/out.wav --frob)
usage_error("process: --block: needs a frame count from 1 to 65536" process ${PLUGIN} ${WORK}/signal.wav ${WORK}/out.wav --block 0)
usage_error("unknown command frobnicate" frobnicate)

# An output that is an input, however spelt, is refused before anything is written; the
# input stays as it was.
file(SHA256 ${WORK}/signal.wav before)
file(SHA256 ${PLUGIN} plugin_before)
file(MAKE_DIRECTORY ${WORK}/sub)
file(REMOVE ${WORK}/hard.wav ${WORK}/link.wav)
file(CREATE_LINK ${WORK}/signal.wav ${WORK}/hard.wav)
set(spellings ${WORK}/./signal.wav ${WORK}/sub/../signal.wav ${WORK}/hard.wav)
if(NOT EMULATOR)  # Wine makes no symbolic links of the Unix kind
  file(CREATE_LINK ${WORK}/signal.wav ${WORK}/link.wav SYMBOLIC)
  list(APPEND spellings ${WORK}/link.wav)
endif()
foreach(spelling ${spellings})
  run_host(1 "^$" "^brimtrace-host: refusing to write .*: it is the input" process ${PLUGIN} ${WORK}/signal.wav ${spelling})
  run_host(1 "^$" "^brimtrace-host: refusing to write .*: it is the input" snapshot ${PLUGIN} ${WORK}/signal.wav --png ${spelling})
endforeach()
run_host(1 "^$" "^brimtrace-host: refusing to write .*: it is the input" snapshot ${PLUGIN} --png ${PLUGIN})
file(SHA256 ${WORK}/signal.wav after)
file(SHA256 ${PLUGIN} plugin_after)
if(NOT before STREQUAL after OR NOT plugin_before STREQUAL plugin_after)
  message(FATAL_ERROR "a refused run changed its input")
endif()

# A run that fails leaves the output that was there before, and no temporary.
file(COPY_FILE ${WORK}/signal.wav ${WORK}/kept.wav)
run_host(3 "^$" "^brimtrace-host: the plug-in crashed" process ${FAKE_DIR}/fake_crash${SUFFIX} ${WORK}/out.wav ${WORK}/kept.wav)
file(SHA256 ${WORK}/kept.wav kept)
file(GLOB left ${WORK}/*brimtrace-tmp*)
if(NOT kept STREQUAL before OR left)
  message(FATAL_ERROR "a failed process changed its existing output or left temporaries: ${left}")
endif()

# SIGINT and SIGTERM during a long process: exit 130 and 143, the existing output as it
# was, no temporary left. (Wine gives a process started without a console no console
# events to send: the Windows handler is not driven here.)
if(NOT EMULATOR)
  run_host(0 "wrote" "^$" signal ${WORK}/long.wav --seconds 600 --rate 8000)
  foreach(signal INT TERM)
    execute_process(COMMAND sh -c "
      \"$0\" process \"$1\" \"$2/long.wav\" \"$2/kept.wav\" --block 1 --no-progress & pid=$!
      i=0
      while ! ls \"$2\" | grep -q brimtrace-tmp && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done
      sleep 0.2
      kill -${signal} $pid
      wait $pid" ${HOST} ${PLUGIN} ${WORK}
      RESULT_VARIABLE code)
    file(SHA256 ${WORK}/kept.wav kept)
    file(GLOB left ${WORK}/*brimtrace-tmp*)
    if(NOT (signal STREQUAL "INT" AND code EQUAL 130) AND NOT (signal STREQUAL "TERM" AND code EQUAL 143))
      message(FATAL_ERROR "SIG${signal} during process: exit ${code}")
    endif()
    if(NOT kept STREQUAL before OR left)
      message(FATAL_ERROR "SIG${signal} during process changed the existing output or left temporaries: ${left}")
    endif()
  endforeach()
  file(REMOVE ${WORK}/long.wav)
endif()

# Something the tool itself throws or aborts on: one line, exit 1, no word of the plug-in,
# the temporaries removed.
set(HOST ${FAULT})
foreach(fault throw thread abort)
  run_host(1 "^$" "^brimtrace-host: an internal error stopped the tool" ${fault} ${WORK}/fault.out)
  file(GLOB left ${WORK}/*brimtrace-tmp*)
  if(left OR EXISTS ${WORK}/fault.out)
    message(FATAL_ERROR "${fault}: output or temporaries left: ${left}")
  endif()
endforeach()
# The interrupt handler removes a temporary still open for writing. (On Windows the console
# control handler would be driven by GenerateConsoleCtrlEvent, but Wine 8 gives a process
# started here no console to send it to, even after AllocConsole: not run under Wine.)
if(EMULATOR)
  return()
endif()
foreach(fault_code interrupt:130 break:143)
  string(REPLACE ":" ";" fault_code ${fault_code})
  list(GET fault_code 0 fault)
  list(GET fault_code 1 code)
  run_host(${code} "^$" "^$" ${fault} ${WORK}/fault.out)
  file(GLOB left ${WORK}/*brimtrace-tmp*)
  if(left OR EXISTS ${WORK}/fault.out)
    message(FATAL_ERROR "${fault}: output or temporaries left: ${left}")
  endif()
endforeach()
