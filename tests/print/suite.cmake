# The printed report on a real print queue (tests/print/run.sh): CUPS with a cups-pdf queue
# as the default printer, the real program pressing "Imprimer les matrices", the PDF read
# back. The queue and the default printer are the machine's own: the tests run one at a time.
if(NOT TARGET quantaline_driver)
  return()
endif()

set(print_work ${CMAKE_BINARY_DIR}/print)
set(print_run ${CMAKE_CURRENT_LIST_DIR}/run.sh)
set(print_data ${PROJECT_SOURCE_DIR}/tests/data)

add_test(NAME print.setup COMMAND ${print_run} setup ${print_work})
add_test(NAME print.cleanup COMMAND ${print_run} cleanup ${print_work})
# Both matrices from the stream, values of three digits; then the default intra matrix.
add_test(NAME print.page_both_matrices
         COMMAND ${print_run} page ${print_work} $<TARGET_FILE:quantaline_driver>
                 ${print_data}/mpeg2-es-422-component.m2v)
add_test(NAME print.page_default_intra
         COMMAND ${print_run} page ${print_work} $<TARGET_FILE:quantaline_driver>
                 ${print_data}/mpeg2-ps-ntsc-svcd.mpg)
# A printer face that measures wide (every character as wide as a digit): with zones of 14
# average widths the rows of three-digit values would run past the right edge.
add_test(NAME print.page_wide_face
         COMMAND ${print_run} page ${print_work} $<TARGET_FILE:quantaline_driver>
                 ${print_data}/mpeg2-es-422-component.m2v "DejaVu Sans Mono")
add_test(NAME print.no_default_printer
         COMMAND ${print_run} no-printer ${print_work} $<TARGET_FILE:quantaline_driver>
                 ${print_data}/mpeg2-es-422-component.m2v)
add_test(NAME print.queue_refuses_jobs
         COMMAND ${print_run} rejected ${print_work} $<TARGET_FILE:quantaline_driver>
                 ${print_data}/mpeg2-es-422-component.m2v)

set_tests_properties(print.setup PROPERTIES FIXTURES_SETUP print_queue TIMEOUT 600
                                            SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
                                            RESOURCE_LOCK cups_default_printer)
set_tests_properties(print.cleanup PROPERTIES FIXTURES_CLEANUP print_queue TIMEOUT 120
                                              RUN_SERIAL TRUE RESOURCE_LOCK cups_default_printer)
set_tests_properties(print.page_both_matrices print.page_default_intra print.page_wide_face
                     print.no_default_printer print.queue_refuses_jobs
                     PROPERTIES FIXTURES_REQUIRED print_queue TIMEOUT 600
                                SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
                                # The page checked is the French one, whatever the caller's
                                # locale (an empty variable counts as unset).
                                ENVIRONMENT "LANG=C.UTF-8;LC_ALL=;LC_MESSAGES=;LANGUAGE=")
