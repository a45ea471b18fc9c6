# Shared by the qxtool scripts: a fresh WORK folder, and run(STATUS ARGS...) running qxtool in it
# and failing unless it exits with STATUS; its output is left in `out` and `err`.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run expect_status)
  execute_process(COMMAND ${QXTOOL} ${ARGN} WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expect_status)
    message(FATAL_ERROR "qxtool ${ARGN}: status ${status}, expected ${expect_status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()
