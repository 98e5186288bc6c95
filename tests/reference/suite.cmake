# The real streams of tests/data checked against ffmpeg's header trace and MediaInfo:
# one test per stream and per command, so that a failure names its file.
find_package(Python3 COMPONENTS Interpreter)
find_program(QUANTALINE_FFMPEG ffmpeg)
find_program(QUANTALINE_MEDIAINFO mediainfo)

file(GLOB QUANTALINE_REFERENCE_STREAMS CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/../data/*.m1v ${CMAKE_CURRENT_LIST_DIR}/../data/*.m2v
     ${CMAKE_CURRENT_LIST_DIR}/../data/*.mpg ${CMAKE_CURRENT_LIST_DIR}/../data/*.vob)
file(GLOB QUANTALINE_TRANSPORT_STREAMS CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/../data/*.ts ${CMAKE_CURRENT_LIST_DIR}/../data/*.m2ts)

if(NOT Python3_Interpreter_FOUND OR NOT QUANTALINE_FFMPEG OR NOT QUANTALINE_MEDIAINFO)
  # Missing reference tools are a failure, never a silent skip.
  message(WARNING "python3, ffmpeg and mediainfo are needed for tests/reference")
  add_test(NAME reference.tools_missing COMMAND ${CMAKE_COMMAND} -E false)
elseif(NOT QUANTALINE_REFERENCE_STREAMS)
  message(FATAL_ERROR "tests/data holds no stream: run tests/data/make_streams.sh")
else()
  # The first-header analysis, transport streams included.
  foreach(stream IN LISTS QUANTALINE_REFERENCE_STREAMS QUANTALINE_TRANSPORT_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    add_test(NAME reference.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_stream.py
                     $<TARGET_FILE:quantaline-cli> ${stream})
    set_tests_properties(reference.${stream_name} PROPERTIES TIMEOUT 300)
  endforeach()
  # The whole-stream scan, on every stream and on the transport streams too.
  foreach(stream IN LISTS QUANTALINE_REFERENCE_STREAMS QUANTALINE_TRANSPORT_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    add_test(NAME scan_reference.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_scan.py
                     $<TARGET_FILE:quantaline-cli> ${stream})
    set_tests_properties(scan_reference.${stream_name} PROPERTIES TIMEOUT 300)
    # Each picture's type, structure, temporal reference, offset, bytes and matrix set.
    add_test(NAME pictures_reference.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_pictures.py
                     $<TARGET_FILE:quantaline-cli> ${stream})
    set_tests_properties(pictures_reference.${stream_name} PROPERTIES TIMEOUT 300)
  endforeach()
endif()

# The macroblock layer against ffmpeg's decoder (-debug qp+mb_type), macroblock by
# macroblock: every stream of tests/data, and streams made at test time by ffmpeg and
# mpeg2enc with what the layer must read (B pictures, MPEG-1, 4:2:2 and 4:4:4, the
# non-linear scale, intra_vlc_format, alternate_scan, interlaced coding, dual-prime,
# adaptive quantisers).
if(Python3_Interpreter_FOUND AND QUANTALINE_FFMPEG)
  foreach(stream IN LISTS QUANTALINE_REFERENCE_STREAMS QUANTALINE_TRANSPORT_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    add_test(NAME quantiser_reference.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_quantiser.py
                     $<TARGET_FILE:quantiser_dump> $<TARGET_FILE:quantaline-cli>
                     ${stream})
    set_tests_properties(quantiser_reference.${stream_name} PROPERTIES TIMEOUT 300)
  endforeach()
  # Streams made at test time, one a line in quantiser_streams.txt.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${CMAKE_CURRENT_LIST_DIR}/quantiser_streams.txt)
  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/quantiser_streams.txt recipes REGEX "^[^#]")
  foreach(recipe IN LISTS recipes)
    string(REGEX MATCH "^[^ ]+" stream_name "${recipe}")
    add_test(NAME quantiser_reference.made.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_quantiser.py
                     $<TARGET_FILE:quantiser_dump> $<TARGET_FILE:quantaline-cli>
                     --make ${stream_name})
    set_tests_properties(quantiser_reference.made.${stream_name} PROPERTIES TIMEOUT 300)
  endforeach()
endif()

# --- Real streams that nobody here made --------------------------------------------------
# ../shared/streams beside the repository holds streams that are not ours to ship: each
# is checked by the three header checks when the folder is there at configure time; on a
# clone without it one test says that they are skipped, and is reported as skipped.
set(QUANTALINE_REAL_STREAMS_DIR ${CMAKE_SOURCE_DIR}/../shared/streams)
if(EXISTS ${QUANTALINE_REAL_STREAMS_DIR})
  file(GLOB QUANTALINE_REAL_STREAMS CONFIGURE_DEPENDS
       ${QUANTALINE_REAL_STREAMS_DIR}/*.ts ${QUANTALINE_REAL_STREAMS_DIR}/*.m2ts
       ${QUANTALINE_REAL_STREAMS_DIR}/*.mpg ${QUANTALINE_REAL_STREAMS_DIR}/*.mpeg
       ${QUANTALINE_REAL_STREAMS_DIR}/*.vob ${QUANTALINE_REAL_STREAMS_DIR}/*.m1v
       ${QUANTALINE_REAL_STREAMS_DIR}/*.m2v)
endif()
if(NOT QUANTALINE_REAL_STREAMS)
  # The test says why, then stops with status 1 (cmake -P has no other non-zero exit
  # before 3.29), which ctest reports as a skip.
  set(absent_script ${CMAKE_CURRENT_BINARY_DIR}/real_streams_absent.cmake)
  file(WRITE ${absent_script}
       "message(\"${QUANTALINE_REAL_STREAMS_DIR} is absent or holds no stream: \"\n"
       "        \"the real-stream checks are skipped\")\n"
       "message(FATAL_ERROR \"skipped\")\n")
  add_test(NAME reference.real_streams_absent COMMAND ${CMAKE_COMMAND} -P ${absent_script})
  set_tests_properties(reference.real_streams_absent PROPERTIES SKIP_RETURN_CODE 1
                       TIMEOUT 300)
elseif(Python3_Interpreter_FOUND AND QUANTALINE_FFMPEG AND QUANTALINE_MEDIAINFO)
  foreach(stream IN LISTS QUANTALINE_REAL_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    foreach(check IN ITEMS "reference;check_stream.py" "scan_reference;check_scan.py"
                           "pictures_reference;check_pictures.py")
      list(GET check 0 prefix)
      list(GET check 1 script)
      add_test(NAME ${prefix}.real.${stream_name}
               COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/${script}
                       $<TARGET_FILE:quantaline-cli> ${stream})
      set_tests_properties(${prefix}.real.${stream_name} PROPERTIES TIMEOUT 300)
    endforeach()
  endforeach()

endif()

# The macroblock layer on the same streams, against ffmpeg's decoder. check_quantiser.py
# skips (77) a file where it reads no MPEG video picture and ffmpeg decodes none either.
if(QUANTALINE_REAL_STREAMS AND Python3_Interpreter_FOUND AND QUANTALINE_FFMPEG)
  foreach(stream IN LISTS QUANTALINE_REAL_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    add_test(NAME quantiser_reference.real.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_quantiser.py
                     $<TARGET_FILE:quantiser_dump> $<TARGET_FILE:quantaline-cli> ${stream})
    set_tests_properties(quantiser_reference.real.${stream_name} PROPERTIES
                         TIMEOUT 300 SKIP_RETURN_CODE 77)
  endforeach()
endif()
