# Shared build settings, applied per target so that no global flag is edited.

# The sanitizers DIETA_SANITIZE asks for, as a -fsanitize= list; empty when none.
set(DIETA_SANITIZERS "")
if(DIETA_SANITIZE)
  if(DIETA_SANITIZE STREQUAL "ON" OR DIETA_SANITIZE STREQUAL "TRUE" OR DIETA_SANITIZE STREQUAL "1")
    set(DIETA_SANITIZERS "address,undefined")
  else()
    set(DIETA_SANITIZERS "${DIETA_SANITIZE}")
  endif()
endif()
# Fuzzing instruments every target for coverage, so the fuzzer sees into the libraries too.
if(DIETA_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "DIETA_FUZZ needs clang (CXX=clang++-14)")
endif()

function(dieta_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  target_compile_definitions(${target} PRIVATE QT_MESSAGELOGCONTEXT)
  if(DIETA_SANITIZERS)
    # Undefined behaviour stops the test at once instead of scrolling past in its output.
    target_compile_options(${target} PRIVATE -fsanitize=${DIETA_SANITIZERS}
      -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=${DIETA_SANITIZERS})
  endif()
  if(DIETA_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# dieta_library(name SHARED|STATIC SOURCES ... LIBS ...)
# Libraries hide their symbols unless marked with the layer's export macro.
function(dieta_library name kind)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  add_library(${name} ${kind} ${ARG_SOURCES})
  dieta_target_defaults(${name})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_LIBS})
endfunction()

# dieta_add_test(tst_name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One QtTest executable per area, run offscreen by CTest.
function(dieta_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  dieta_target_defaults(${name})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES
    # A test function that hangs fails on its own within two minutes (Qt's watchdog),
    # with its name, instead of waiting for CTest to kill the whole suite.
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;QTEST_FUNCTION_TIMEOUT=120000"
    TIMEOUT ${ARG_TIMEOUT}
    LABELS "${ARG_LABELS}")
endfunction()
