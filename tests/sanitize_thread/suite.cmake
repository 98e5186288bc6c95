# The code that runs on several threads, again under ThreadSanitizer.
if(QUANTALINE_SUITES)
  add_test(NAME sanitize.thread COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh)
  set_tests_properties(sanitize.thread PROPERTIES RUN_SERIAL TRUE TIMEOUT 1800
                       ENVIRONMENT "TSAN_BUILD_DIR=${PROJECT_BINARY_DIR}/tsan")
endif()
