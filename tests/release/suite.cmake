# The build users and packagers make: Release (-O3), with GCC and with clang, warnings as
# errors. Only the core, the CLI and the desktop program, in folders of their own.
if(QUANTALINE_SUITES AND NOT CMAKE_CROSSCOMPILING AND UNIX)
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  foreach(name_and_compiler IN ITEMS gcc:g++ clang:clang++)
    string(REPLACE ":" ";" name_and_compiler ${name_and_compiler})
    list(GET name_and_compiler 0 name)
    list(GET name_and_compiler 1 compiler)
    add_test(NAME release.${name}
             COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh ${compiler} ${PROJECT_SOURCE_DIR}
                     ${PROJECT_BINARY_DIR}/release-${name})
    # A build takes every core: in ctest -j it counts for all of them.
    set_tests_properties(release.${name} PROPERTIES TIMEOUT 1800 PROCESSORS ${cores})
  endforeach()
endif()
