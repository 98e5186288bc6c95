# The formatting and clang-tidy habits of the repository, checked on every run.
add_test(NAME style.format COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh format ${PROJECT_SOURCE_DIR})
set_tests_properties(style.format PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
if(CMAKE_EXPORT_COMPILE_COMMANDS AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME style.tidy
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/run.sh tidy ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
  # It runs a clang-tidy on each core: in ctest -j it takes them all.
  cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
  set_tests_properties(style.tidy PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 1800 PROCESSORS ${cores})
endif()
