# Each fuzz target for 30 seconds on its seed corpus, built with clang and the sanitizers.
if(QUANTALINE_SUITES)
  add_test(NAME fuzz_targets COMMAND ${PROJECT_SOURCE_DIR}/fuzz/run.sh 30)
  set_tests_properties(fuzz_targets PROPERTIES RUN_SERIAL TRUE TIMEOUT 1200
                       ENVIRONMENT "FUZZ_BUILD_DIR=${PROJECT_BINARY_DIR}/fuzz")
endif()
