# What `cmake --install` puts where, and the Debian package built from it by CPack
# (`cpack -G DEB` in the build folder gives quantaline_<version>_amd64.deb).
include(GNUInstallDirs)
# Debian names the folder after the package, in lower case.
set(QUANTALINE_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/quantaline)

set(QUANTALINE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS quantaline-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quantaline)
  install(TARGETS quantaline RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(UNIX AND NOT APPLE)
  # The desktop entry and the icon only make sense with the desktop program.
  if(TARGET quantaline)
    install(FILES ${QUANTALINE_PACKAGING_DIR}/quantaline.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # The elementary streams' type, which the desktop entry names beside video/mpeg.
    install(FILES ${QUANTALINE_PACKAGING_DIR}/quantaline-mime.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME quantaline.xml)
    install(FILES ${QUANTALINE_PACKAGING_DIR}/quantaline.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 48 256)
      install(FILES ${QUANTALINE_PACKAGING_DIR}/quantaline-${size}.png
              DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
              RENAME quantaline.png)
    endforeach()
  endif()

  # Debian wants manual pages compressed, without a time stamp in the gzip header.
  # The English page, and the French one where man finds it under a French locale.
  find_program(QUANTALINE_GZIP gzip)
  set(man_pages_gz)
  foreach(language_dir IN ITEMS "" "fr/")
    set(man_page ${QUANTALINE_PACKAGING_DIR}/${language_dir}quantaline-cli.1)
    set(man_dir ${CMAKE_INSTALL_MANDIR}/${language_dir}man1)
    if(QUANTALINE_GZIP)
      set(man_page_gz ${CMAKE_BINARY_DIR}/man/${language_dir}quantaline-cli.1.gz)
      add_custom_command(OUTPUT ${man_page_gz}
                         COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/${language_dir}
                         COMMAND ${QUANTALINE_GZIP} -9 -n -c ${man_page} > ${man_page_gz}
                         DEPENDS ${man_page} VERBATIM)
      list(APPEND man_pages_gz ${man_page_gz})
      install(FILES ${man_page_gz} DESTINATION ${man_dir})
    else()
      install(FILES ${man_page} DESTINATION ${man_dir})
    endif()
  endforeach()
  if(man_pages_gz)
    add_custom_target(quantaline_man_page ALL DEPENDS ${man_pages_gz})
  endif()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${QUANTALINE_DOCDIR})
if(UNIX AND NOT APPLE)
  # Where Debian looks for a package's licence.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${QUANTALINE_DOCDIR}
          RENAME copyright)
endif()

# --- The Debian package -------------------------------------------------------------------
set(CPACK_PACKAGE_NAME quantaline)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the Quantaline developers")
set(CPACK_PACKAGE_CONTACT "Quantaline developers <velnor@quantaline.example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quantaline.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "shows the quantiser matrices of MPEG-1/MPEG-2 videos and exports them")
set(CPACK_PACKAGE_DESCRIPTION
    "Quantaline opens an MPEG-1 or MPEG-2 video file (elementary or program stream, DVD VOBs
included), shows the stream's parameters and the two quantiser matrices (intra and
non-intra) it was encoded with, and hands those matrices on: into TMPGEnc's TMPGEnc.ini,
into a REGEDIT4 registry script for CCE, into a text report and onto the printer.
The desktop program speaks French; quantaline-cli is the same engine for scripts and
batches, with JSON output.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
# Depends come from dpkg-shlibdeps, i.e. from the libraries the programs really link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine")
set(CPACK_GENERATOR DEB)
include(CPack)
