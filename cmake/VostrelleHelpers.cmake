# vostrelle_add_gtest(NAME SOURCES... LIBRARIES ...): one GoogleTest executable,
# registered with ctest case by case.
function(vostrelle_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vostrelle_options ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "VOSTRELLE_TEST_DATA=${CMAKE_CURRENT_SOURCE_DIR}/data")
endfunction()

# vostrelle_add_qtest(NAME SOURCES... LIBRARIES ...): one Qt Test executable run on
# the offscreen platform.
function(vostrelle_add_qtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vostrelle_options ${ARG_LIBRARIES} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

# vostrelle_add_fuzzer(NAME SOURCES... LIBRARIES ...): one libFuzzer target.
function(vostrelle_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE vostrelle_options ${ARG_LIBRARIES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
