# lumiq_add_test(<name> COMMAND <cmd...> [LABELS <labels...>] [TIMEOUT <s>])
#
# Every test runs through scripts/in-netns: a private network namespace with
# only loopback up and a private XDG_RUNTIME_DIR. Nothing a test sends can leave
# the machine, and tests running in parallel never compete for UDP port 5000 or
# for the single-instance lock.
function(lumiq_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "COMMAND;LABELS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/scripts/in-netns ${T_COMMAND}
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LUMIQ_SOURCE_DIR=${PROJECT_SOURCE_DIR};LUMIQ_BINARY_DIR=${PROJECT_BINARY_DIR};ASAN_OPTIONS=detect_leaks=0:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# lumiq_add_gtest(<target> SOURCES <src...> LIBS <libs...> [LABELS ...] [TIMEOUT s])
# Builds one GoogleTest binary and registers it as one CTest test.
function(lumiq_add_gtest target)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${target} ${T_SOURCES})
  target_link_libraries(${target} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  lumiq_add_test(${target} COMMAND $<TARGET_FILE:${target}> LABELS ${T_LABELS} TIMEOUT ${T_TIMEOUT})
endfunction()
