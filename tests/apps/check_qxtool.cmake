# Runs qxtool as a user would and checks exit statuses and output.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run expect_status)
  execute_process(COMMAND ${QXTOOL} ${ARGN} RESULT_VARIABLE status
    OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expect_status)
    message(FATAL_ERROR "qxtool ${ARGN}: status ${status}, expected ${expect_status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

run(0 --help)
if(NOT out MATCHES "convert IN OUT")
  message(FATAL_ERROR "--help does not list the commands:\n${out}")
endif()

run(0 convert "${INPUT}" "${WORK}/b.kel")
run(0 info "${WORK}/b.kel")
foreach(line "objects: " "vertices: " "faces: " "materials: " "frames: ")
  if(NOT out MATCHES "${line}[0-9]")
    message(FATAL_ERROR "info lacks '${line}':\n${out}")
  endif()
endforeach()
# The converted file converts again to the same bytes.
run(0 convert "${WORK}/b.kel" "${WORK}/c.kel")
file(READ "${WORK}/b.kel" b)
file(READ "${WORK}/c.kel" c)
if(NOT b STREQUAL c)
  message(FATAL_ERROR "a second conversion changed the file")
endif()

# Failures: a missing file, an unsupported extension (the library's message on stderr).
run(1 info "${WORK}/missing.kel")
if(NOT err MATCHES "missing.kel")
  message(FATAL_ERROR "no message for a missing file:\n${err}")
endif()
run(1 convert "${WORK}/b.kel" "${WORK}/b.obj")
if(NOT err MATCHES "この形式には対応していません")
  message(FATAL_ERROR "no message for an unsupported format:\n${err}")
endif()
run(2 frobnicate)
