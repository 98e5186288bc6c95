# The core, the CLI and their tests again, under AddressSanitizer and UBSan.
if(QUANTALINE_SUITES)
  add_test(NAME sanitizer_build COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh)
  set_tests_properties(sanitizer_build PROPERTIES RUN_SERIAL TRUE TIMEOUT 1800
                       ENVIRONMENT "SANITIZE_BUILD_DIR=${PROJECT_BINARY_DIR}/sanitize")
endif()
