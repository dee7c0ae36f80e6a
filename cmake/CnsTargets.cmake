# Wrappers that give every target of the project the same language level, warnings and defines.

function(cns_apply_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(CNS_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Production code: Qt's strict string handling, so that every text is converted on purpose.
function(cns_apply_strict_strings target)
  target_compile_definitions(${target} PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_CAST_FROM_BYTEARRAY QT_USE_QSTRINGBUILDER)
endfunction()

# cns_add_library(name [SHARED|STATIC|OBJECT] SOURCES ... PUBLIC_LIBS ... PRIVATE_LIBS ...)
# A library made of other folders' parts lists those OBJECT targets in PUBLIC_LIBS: it takes their
# objects, and its users their include folders.
function(cns_add_library name)
  cmake_parse_arguments(ARG "SHARED;STATIC;MODULE;OBJECT" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  set(kind STATIC)
  if(ARG_SHARED)
    set(kind SHARED)
  elseif(ARG_MODULE)
    set(kind MODULE)
  elseif(ARG_OBJECT)
    set(kind OBJECT)
  endif()
  add_library(${name} ${kind} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  cns_apply_warnings(${name})
  cns_apply_strict_strings(${name})
endfunction()

# cns_add_executable(name SOURCES ... LIBS ...)
function(cns_add_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  cns_apply_warnings(${name})
  cns_apply_strict_strings(${name})
endfunction()

# cns_add_test(name SOURCES ... LIBS ... [LABELS ...]): one QtTest executable, run by CTest.
# Tests may build texts from literals freely, so the strict string defines are not applied.
function(cns_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE CNS_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  cns_apply_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()
