# Compiler settings shared by every target of the project.
include(GNUInstallDirs)
add_compile_options(-Wall -Wextra)
if(QX_WERROR)
  add_compile_options(-Werror)
endif()

# ccache, when installed, keeps compiled objects outside the clone (~/.cache/ccache), so a new
# clone on a machine that built before compiles only what changed. Paths are hashed relative to
# the source folder and the build folder is left out of the hash, so two clones share entries.
find_program(QX_CCACHE ccache)
if(QX_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  set(qx_launcher ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=true
                  ${QX_CCACHE})
  set(CMAKE_C_COMPILER_LAUNCHER ${qx_launcher})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${qx_launcher})
endif()

if(QX_BUILD_FUZZ)
  # Every library is instrumented for coverage-guided fuzzing; the fuzz targets add the driver.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(QX_SANITIZE_THREAD)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(QX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined -O1)
  # GCC's uninitialised-value analysis misreads the instrumented code at -O1 (calls through
  # member-function pointers taken from a table); the normal build keeps the warning.
  add_compile_options(-Wno-maybe-uninitialized)
  add_link_options(-fsanitize=address,undefined)
endif()

# Installed programs find the installed library beside them, wherever the prefix is.
set(CMAKE_INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")

# Every library is built with hidden visibility: libQxDurerive.so exports what the public headers
# mark QX_API (qx/export.h) and nothing else, so its helpers cannot clash with a host's.
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)

# Public headers of the library and of its sibling libraries live in one tree.
set(QX_INCLUDE_DIR "${PROJECT_SOURCE_DIR}/include")

# qx_add_sibling(<name> <sources>...): a static sibling library that is linked whole into
# libQxDurerive.so and, on its own, into its tests.
function(qx_add_sibling name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC "$<BUILD_INTERFACE:${QX_INCLUDE_DIR}>")
  target_compile_features(${name} PUBLIC cxx_std_20)
  set_property(GLOBAL APPEND PROPERTY QX_SIBLINGS ${name})
endfunction()

# qx_add_test(<name> SOURCES <files>... LIBS <targets>...): one GoogleTest program, its cases
# registered with CTest.
function(qx_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests/support")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QX_TEST_DATA=${PROJECT_SOURCE_DIR}/assets")
endfunction()

# qx_add_bench(<name> SOURCES <files>... LIBS <targets>...): one Google Benchmark program.
function(qx_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# qx_link_siblings(<sibling> <deps>...): one sibling library built on others. libQxDurerive.so
# links every sibling whole exactly once, so the dependency is passed on to programs (tests,
# benchmarks) and not to the shared library.
function(qx_link_siblings target)
  foreach(dep IN LISTS ARGN)
    target_link_libraries(${target} PUBLIC
      "$<$<NOT:$<STREQUAL:$<TARGET_PROPERTY:TYPE>,SHARED_LIBRARY>>:${dep}>")
  endforeach()
endfunction()

# qx_add_fuzzer(<name> SOURCES <files>... LIBS <targets>...): one libFuzzer target.
function(qx_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
