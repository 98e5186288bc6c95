# The Windows build of the core, quantaline-cli and core_tests, run under Wine. The
# script installs mingw-w64 and Wine when it can, and skips (saying why) when it cannot.
if(NOT DEFINED QUANTALINE_SUITES OR QUANTALINE_SUITES)
  # Not from inside a cross build of its own.
  if(NOT CMAKE_CROSSCOMPILING AND UNIX)
    # Under French, the program's own language, and under English: the user's display
    # language comes from the locale Wine runs under. Both share one cross build, one at a
    # time.
    add_test(NAME windows.wine
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh ${PROJECT_SOURCE_DIR}
                     ${CMAKE_BINARY_DIR}/windows $<TARGET_FILE:quantaline-cli> fr)
    add_test(NAME windows.wine_english
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh ${PROJECT_SOURCE_DIR}
                     ${CMAKE_BINARY_DIR}/windows $<TARGET_FILE:quantaline-cli> en)
    # A first run installs the tools and builds GoogleTest for Windows. It builds: in ctest -j
    # it takes every core, so that no timing test runs beside a build.
    cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
    set_tests_properties(windows.wine windows.wine_english PROPERTIES
                         SKIP_RETURN_CODE 77 TIMEOUT 1800 PROCESSORS ${cores}
                         RESOURCE_LOCK quantaline_windows_build)
    set_tests_properties(windows.wine_english PROPERTIES DEPENDS windows.wine)
  endif()
endif()
