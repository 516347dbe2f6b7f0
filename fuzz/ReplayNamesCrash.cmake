# Runs the replay probe over a folder holding a harmless file and a crashing one, and expects
# the run to fail with a report naming the probe and the crashing file.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus")
file(WRITE "${WORK}/corpus/a-harmless-input" "harmless")
file(WRITE "${WORK}/corpus/b-dropped-crash-input" "crash!")
execute_process(COMMAND "${PROBE}" "${WORK}/corpus" RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 0)
  message(FATAL_ERROR "the replay passed over a crashing input:\n${out}${err}")
endif()
string(FIND "${err}" "fuzz target fuzz_replay_probe crashed on input ${WORK}/corpus/b-dropped-crash-input" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the report does not name the target and the file:\n${err}")
endif()
message(STATUS "the replay failed (status ${status}) naming the target and the file")
