# Runs one end-to-end test's command and keeps what it printed:
#
#   cmake -DEQU_LOG_DIR=<dir> [-DEQU_TIMEOUT=<seconds>] -P RunLogged.cmake -- <command> <args...>
#
# Empties <dir> (the test's working directory: programs leave their own files there too),
# runs the command, shows its output as it comes and writes it to <dir>/output.log. Exits
# with the command's status; its last line names the log (also when the status is 0: a test that
# ctest judges by its output, such as a script host's, is shown with it when it fails). A command still
# running after EQU_TIMEOUT seconds is ended, and its log kept: set it below ctest's limit.
cmake_minimum_required(VERSION 3.25)

if(NOT EQU_LOG_DIR)
  message(FATAL_ERROR "RunLogged.cmake: EQU_LOG_DIR is not set")
endif()

set(command)
set(seen_separator FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE 0 ${last})
  if(seen_separator)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} STREQUAL "--")
    set(seen_separator TRUE)
  endif()
endforeach()
if(NOT command)
  message(FATAL_ERROR "RunLogged.cmake: no command after --")
endif()

file(MAKE_DIRECTORY "${EQU_LOG_DIR}")
file(GLOB leftovers "${EQU_LOG_DIR}/*")
if(leftovers)
  file(REMOVE_RECURSE ${leftovers})
endif()

set(timeout)
if(EQU_TIMEOUT)
  set(timeout TIMEOUT ${EQU_TIMEOUT})
endif()
execute_process(COMMAND ${command} ${timeout}
                WORKING_DIRECTORY "${EQU_LOG_DIR}"
                OUTPUT_VARIABLE output ERROR_VARIABLE output
                ECHO_OUTPUT_VARIABLE ECHO_ERROR_VARIABLE
                RESULT_VARIABLE status)
string(REPLACE "\r" "" output "${output}")
file(WRITE "${EQU_LOG_DIR}/output.log" "${output}")

if(NOT status STREQUAL "0")
  # cmake -P exits with 1 on a fatal error, which is all ctest needs to know.
  message(FATAL_ERROR "exit status ${status}; log: ${EQU_LOG_DIR}/output.log")
endif()
message(STATUS "exit status 0; log: ${EQU_LOG_DIR}/output.log")
