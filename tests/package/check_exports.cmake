# Fails when libQxDurerive.so exports a symbol that is not the library's own, printing each
# offender. The library's own names are its classes (CQx...), its functions and types (Qx...,
# QX_...), the Windows-named calls of namespace QxWin, and free operators taking its types.
#   cmake -DNM=<nm> -DLIBRARY=<libQxDurerive.so> [-DSANITIZED=ON] -P check_exports.cmake
# In a sanitized build AddressSanitizer adds an ODR indicator for each exported variable
# (__odr_asan.<mangled name> from gcc, __odr_asan_gen_<mangled name> from clang): with SANITIZED
# those are accepted when the variable is the library's own; without it they are offenders.
# The sanitizers' runtime itself is not in the library (it is linked as libasan.so and so on).

execute_process(COMMAND "${NM}" -D --defined-only -C "${LIBRARY}"
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}: ${errors}")
endif()

# A CMake list splits at ';' and not inside brackets: neither may reach the list below.
string(REPLACE ";" "," listing "${listing}")
string(REPLACE "[" "{" listing "${listing}")
string(REPLACE "]" "}" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")

# The name a symbol stands for, without what the compiler wrote around it.
set(decoration "^((vtable|VTT|typeinfo|typeinfo name|guard variable|TLS init function|TLS wrapper function) for |(non-virtual |virtual |covariant return )thunk to )+")

set(count 0)
set(offenders "")
set(names "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
    continue()
  endif()
  set(symbol "${CMAKE_MATCH_1}")
  math(EXPR count "${count} + 1")
  string(REGEX REPLACE "${decoration}" "" name "${symbol}")
  list(APPEND names "${name}")

  if(SANITIZED AND name MATCHES "^__odr_asan(\\.|_gen_)(.+)$")
    # The variable's mangled name: a C name, or one whose first component is ours.
    if(CMAKE_MATCH_2 MATCHES "^(_ZN?[0-9]+)?(CQx|Qx|QX_)")
      continue()
    endif()
  endif()

  # The qualified name: template arguments, parameters and a leading return type (which
  # function templates carry) taken away, so "CQxVector* std::copy<...>(...)" is std::copy.
  set(head "${name}")
  string(REGEX REPLACE "operator(<<=|>>=|<=>|<<|>>|<=|>=|->\\*|->|<|>|\\(\\))" "operator@" head "${head}")
  string(REPLACE "(anonymous namespace)" "{anonymous}" head "${head}")
  string(REGEX REPLACE "{lambda\\([^{}]*\\)#[0-9]+}" "{lambda}" head "${head}")
  while(head MATCHES "<[^<>]*>")
    string(REGEX REPLACE "<[^<>]*>" "" head "${head}")
  endwhile()
  string(FIND "${head}" "(" paren)
  if(paren GREATER_EQUAL 0)
    string(SUBSTRING "${head}" 0 ${paren} head)
  endif()
  string(REGEX REPLACE "operator [^:]+$" "operator@" head "${head}")
  string(REGEX REPLACE "^.* " "" head "${head}")
  string(REGEX REPLACE "^[*&]+" "" head "${head}")

  if(head MATCHES "^(CQx|Qx|QX_)")
    continue()
  endif()
  # A free operator is ours when it takes one of our types.
  if(head MATCHES "^operator" AND name MATCHES "\\((.*[^A-Za-z0-9_])?(CQx|Qx)[A-Za-z0-9_]")
    continue()
  endif()
  list(APPEND offenders "${symbol}")
endforeach()

# The export list must not be empty by accident: the calls, the classes and the typeinfo a host
# needs to derive from QxWindow are there.
set(missing "")
foreach(expected "QxWin::GetDC(QxWindow*)" "QxWin::HKEY_CURRENT_USER" "CQxScene::CQxScene()" "QxWindow"
                 "QxShowMessage(char const*, char const*, unsigned int, QxWindow*)")
  list(FIND names "${expected}" found)
  if(found EQUAL -1)
    list(APPEND missing "${expected}")
  endif()
endforeach()

list(LENGTH offenders bad)
if(bad OR missing)
  foreach(symbol IN LISTS offenders)
    message("not the library's own: ${symbol}")
  endforeach()
  foreach(symbol IN LISTS missing)
    message("not exported: ${symbol}")
  endforeach()
  message(FATAL_ERROR "${bad} of ${count} exported symbols are not the library's own; missing exports: ${missing}")
endif()
message(STATUS "${count} exported symbols, all the library's own")
