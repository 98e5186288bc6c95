# The English texts against the texts marked in the sources (lupdate, qt6-l10n-tools).
if(QUANTALINE_LUPDATE)
  find_package(Python3 COMPONENTS Interpreter)
  add_test(NAME translations_complete
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_ts.py ${QUANTALINE_LUPDATE}
                   ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/translations/quantaline_en.ts)
endif()
