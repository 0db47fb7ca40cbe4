# Shared build settings, applied per target so that no global flag is edited.

function(dieta_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  target_compile_definitions(${target} PRIVATE QT_MESSAGELOGCONTEXT)
  if(DIETA_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
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
