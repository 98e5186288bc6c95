# The desktop program: the Qt windows and the Qt side of the platform seam in the
# static library quantaline_ui, and the thin executable `quantaline` on top of it.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)

set(CMAKE_AUTOMOC ON)

file(GLOB QUANTALINE_UI_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/src/ui/*.h)
add_library(quantaline_ui STATIC ${QUANTALINE_UI_SOURCES})
target_include_directories(quantaline_ui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(quantaline_ui PUBLIC quantaline_core Qt6::Widgets Qt6::PrintSupport)
if(WIN32)
  target_link_libraries(quantaline_ui PUBLIC shell32)
endif()
# Where Qt prints through CUPS, its answer to a print job comes from libcups.
find_path(QUANTALINE_CUPS_INCLUDE cups/cups.h)
find_library(QUANTALINE_CUPS_LIBRARY cups)
if(NOT WIN32 AND QUANTALINE_CUPS_INCLUDE AND QUANTALINE_CUPS_LIBRARY)
  target_include_directories(quantaline_ui PRIVATE ${QUANTALINE_CUPS_INCLUDE})
  target_link_libraries(quantaline_ui PRIVATE ${QUANTALINE_CUPS_LIBRARY})
  target_compile_definitions(quantaline_ui PRIVATE QUANTALINE_HAVE_CUPS)
endif()
# On X11 the window manager is asked for the frame it will add, so that a window is centred
# by its outer size before it is first shown.
find_path(QUANTALINE_XCB_INCLUDE xcb/xcb.h)
find_library(QUANTALINE_XCB_LIBRARY xcb)
if(NOT WIN32 AND QUANTALINE_XCB_INCLUDE AND QUANTALINE_XCB_LIBRARY)
  target_include_directories(quantaline_ui PRIVATE ${QUANTALINE_XCB_INCLUDE})
  target_link_libraries(quantaline_ui PRIVATE ${QUANTALINE_XCB_LIBRARY})
  target_compile_definitions(quantaline_ui PRIVATE QUANTALINE_HAVE_XCB)
endif()

# The translations: each translations/quantaline_LANG.ts compiled by lrelease, and Qt's own
# French texts for its dialogs, built into the program as resources (the Windows program
# carries them too). lrelease and Qt's translations are the build machine's.
find_program(QUANTALINE_LRELEASE NAMES lrelease lrelease-qt6
             HINTS /usr/lib/qt6/bin ${QT_HOST_PATH}/bin NO_CMAKE_FIND_ROOT_PATH)
find_file(QUANTALINE_QTBASE_FR qtbase_fr.qm HINTS /usr/share/qt6/translations
          ${QT_HOST_PATH}/translations NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUANTALINE_LRELEASE OR NOT QUANTALINE_QTBASE_FR)
  message(FATAL_ERROR "lrelease and qtbase_fr.qm are needed: apt-get install qt6-l10n-tools "
                      "qt6-translations-l10n")
endif()
set(QUANTALINE_QM_DIR ${CMAKE_CURRENT_BINARY_DIR}/translations)
set(QUANTALINE_QM_FILES ${QUANTALINE_QM_DIR}/qtbase_fr.qm)
configure_file(${QUANTALINE_QTBASE_FR} ${QUANTALINE_QM_DIR}/qtbase_fr.qm COPYONLY)
foreach(ts IN LISTS QUANTALINE_TS_FILES)
  get_filename_component(name ${ts} NAME_WE)
  add_custom_command(OUTPUT ${QUANTALINE_QM_DIR}/${name}.qm
                     COMMAND ${QUANTALINE_LRELEASE} -silent ${ts} -qm ${QUANTALINE_QM_DIR}/${name}.qm
                     DEPENDS ${ts} VERBATIM)
  list(APPEND QUANTALINE_QM_FILES ${QUANTALINE_QM_DIR}/${name}.qm)
endforeach()
set_source_files_properties(${QUANTALINE_QM_FILES} PROPERTIES GENERATED TRUE)
qt_add_resources(quantaline_ui quantaline_translations PREFIX /translations
                 BASE ${QUANTALINE_QM_DIR} FILES ${QUANTALINE_QM_FILES})

file(GLOB QUANTALINE_APP_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/quantaline/*.cpp)
add_executable(quantaline WIN32 ${QUANTALINE_APP_SOURCES})
target_link_libraries(quantaline PRIVATE quantaline_ui)
# `make run` and the tests find the program at the top of the build folder.
set_target_properties(quantaline PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
