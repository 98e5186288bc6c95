# What a Windows program carries inside its .exe: the icon, the manifest and the version
# information, for quantaline.exe and quantaline-cli.exe alike. The icon is made at build
# time from the PNG icons of packaging/ with ImageMagick, so the PNGs stay the only source.
find_program(QUANTALINE_CONVERT convert)
if(NOT QUANTALINE_CONVERT)
  message(FATAL_ERROR "ImageMagick's convert makes the Windows icon: apt-get install imagemagick")
endif()
set(QUANTALINE_ICO ${CMAKE_BINARY_DIR}/quantaline.ico)
add_custom_command(
  OUTPUT ${QUANTALINE_ICO}
  # 256 px from its own PNG; 48, 32 and 16 from the 48 px one, drawn for small sizes.
  COMMAND ${QUANTALINE_CONVERT} ${PROJECT_SOURCE_DIR}/packaging/quantaline-256.png
          ( ${PROJECT_SOURCE_DIR}/packaging/quantaline-48.png -resize 48x48 )
          ( ${PROJECT_SOURCE_DIR}/packaging/quantaline-48.png -resize 32x32 )
          ( ${PROJECT_SOURCE_DIR}/packaging/quantaline-48.png -resize 16x16 )
          ${QUANTALINE_ICO}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/quantaline-256.png
          ${PROJECT_SOURCE_DIR}/packaging/quantaline-48.png
  VERBATIM)
add_custom_target(quantaline_ico DEPENDS ${QUANTALINE_ICO})

function(quantaline_windows_resources target description)
  set(QUANTALINE_RC_NAME ${target})
  set(QUANTALINE_RC_FILE ${target}.exe)
  set(QUANTALINE_RC_DESCRIPTION ${description})
  set(QUANTALINE_RC_ICON ${QUANTALINE_ICO})
  set(QUANTALINE_RC_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/windows/quantaline.manifest)
  set(rc ${CMAKE_BINARY_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/quantaline.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
                              "${QUANTALINE_ICO};${QUANTALINE_RC_MANIFEST}")
  add_dependencies(${target} quantaline_ico)
endfunction()

quantaline_windows_resources(quantaline-cli "Quantaline en ligne de commande")
if(TARGET quantaline)
  quantaline_windows_resources(quantaline "Quantaline")
endif()
