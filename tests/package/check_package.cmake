# Installs the built library into a scratch prefix and builds a consumer against it.
file(REMOVE_RECURSE "${QX_WORK_DIR}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${QX_BINARY_DIR}" --prefix "${QX_WORK_DIR}/prefix"
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
# The installed program runs from the prefix with no help from the loader's search path.
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH "${QX_WORK_DIR}/prefix/bin/qxtool" --help
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT out MATCHES "convert")
  message(FATAL_ERROR "the installed qxtool --help failed (${rc}): ${out}${err}")
endif()

set(flags "")
if(QX_SANITIZE)
  # A sanitized library needs its runtime in the consumer too.
  set(flags "-fsanitize=address,undefined")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S "${QX_CONSUMER_DIR}" -B "${QX_WORK_DIR}/consumer" -G "${QX_GENERATOR}"
  "-DCMAKE_PREFIX_PATH=${QX_WORK_DIR}/prefix" "-DCMAKE_CXX_FLAGS=${flags}"
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "configuring the consumer failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${QX_WORK_DIR}/consumer" RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "building the consumer failed: ${rc}")
endif()
execute_process(COMMAND "${QX_WORK_DIR}/consumer/consumer" RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(rc)
  message(FATAL_ERROR "the consumer failed: ${rc} ${out}")
endif()
message(STATUS "consumer: ${out}")
