# The Debian package: built with CPack, installed with apt, run, removed. Serial: it
# installs into the system and takes apt's lock.
if(NOT DEFINED QUANTALINE_SUITES OR QUANTALINE_SUITES)
  if(NOT CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_NAME STREQUAL "Linux")
    add_test(NAME package.deb
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION}
                     ${PROJECT_SOURCE_DIR}/tests/data/sample-dvd.vob)
    set_tests_properties(package.deb PROPERTIES RUN_SERIAL TRUE SKIP_RETURN_CODE 77
                                                TIMEOUT 900)
  endif()
endif()
