# The files Quantaline writes, read back by the Windows programs that use them, under
# Wine: TMPGEnc.ini through GetPrivateProfileStringA (a small program built with
# mingw-w64), the registry script through regedit /S and reg query.
find_program(QUANTALINE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
find_program(QUANTALINE_MINGW_CXX NAMES x86_64-w64-mingw32-g++)

set(wine_interop_dir ${CMAKE_CURRENT_LIST_DIR})
set(wine_interop_work ${CMAKE_BINARY_DIR}/wine-interop)
set(wine_interop_run ${wine_interop_dir}/run.sh ${QUANTALINE_WINE} ${wine_interop_work})

function(quantaline_skipped_test name reason)
  message(STATUS "${name} will be skipped: ${reason}")
  add_test(NAME ${name} COMMAND sh -c "echo 'skipped: ${reason}'; exit 77")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

if(NOT QUANTALINE_WINE)
  quantaline_skipped_test(wine_interop.tmpgenc_ini "wine is not installed")
  quantaline_skipped_test(wine_interop.registry_script "wine is not installed")
  return()
endif()

add_test(NAME wine_interop.prefix COMMAND ${wine_interop_run} prefix)
add_test(NAME wine_interop.cleanup COMMAND ${wine_interop_run} cleanup)
# Each run skips (77) where no French locale can be had for Wine (tests/support/wine_language.sh).
set_tests_properties(wine_interop.prefix PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300
                                                    SKIP_RETURN_CODE 77)
set_tests_properties(wine_interop.cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix
                                                     SKIP_RETURN_CODE 77)

if(QUANTALINE_MINGW_CXX)
  add_test(NAME wine_interop.tmpgenc_ini
           COMMAND ${wine_interop_run} ini $<TARGET_FILE:quantaline-cli>
                   ${CMAKE_CURRENT_SOURCE_DIR}/data/mpeg2-ps-dvd.vob ${QUANTALINE_MINGW_CXX}
                   ${wine_interop_dir}/ini_reader.cpp)
  set_tests_properties(wine_interop.tmpgenc_ini PROPERTIES FIXTURES_REQUIRED wine_prefix
                                                           TIMEOUT 300 SKIP_RETURN_CODE 77)
else()
  quantaline_skipped_test(wine_interop.tmpgenc_ini "mingw-w64 (x86_64-w64-mingw32-g++) is not installed")
endif()

add_test(NAME wine_interop.registry_script
         COMMAND ${wine_interop_run} reg $<TARGET_FILE:quantaline-cli>
                 ${CMAKE_CURRENT_SOURCE_DIR}/data/mpeg2-ps-dvd.vob)
set_tests_properties(wine_interop.registry_script PROPERTIES FIXTURES_REQUIRED wine_prefix
                                                             TIMEOUT 300 SKIP_RETURN_CODE 77)
