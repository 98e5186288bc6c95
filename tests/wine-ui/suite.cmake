# The desktop program for Windows on its real windows under Wine (tests/wine-ui/run.sh):
# cross-built against the cached static Qt, driven with real clicks and keys, its files read
# back by Windows' own readers, its installer run silently. A fresh machine builds the Qt
# first (about 25 minutes on two cores); QUANTALINE_BUILD_QT=0 skips the suite instead.
if(NOT CMAKE_CROSSCOMPILING AND UNIX)
  add_test(NAME wine_ui
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh ${PROJECT_SOURCE_DIR}
                   ${CMAKE_BINARY_DIR}/wine-ui $<TARGET_FILE:quantaline-cli>)
  # The print check borrows the machine's CUPS scheduler and default printer, as the print
  # suite does: never both at once.
  # It cross-builds the programs before it drives them: in ctest -j it takes every core, so
  # that no timing test runs beside a build.
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  set_tests_properties(wine_ui PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 3600 PROCESSORS ${cores}
                                          RESOURCE_LOCK cups_default_printer)
endif()
