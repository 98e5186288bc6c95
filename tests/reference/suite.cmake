# The real streams of tests/data checked against ffmpeg's header trace and MediaInfo:
# one test per stream and per command, so that a failure names its file.
find_package(Python3 COMPONENTS Interpreter)
find_program(QUANTALINE_FFMPEG ffmpeg)
find_program(QUANTALINE_MEDIAINFO mediainfo)

file(GLOB QUANTALINE_REFERENCE_STREAMS CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_LIST_DIR}/../data/*.m1v ${CMAKE_CURRENT_LIST_DIR}/../data/*.m2v
     ${CMAKE_CURRENT_LIST_DIR}/../data/*.mpg ${CMAKE_CURRENT_LIST_DIR}/../data/*.vob)

if(NOT Python3_Interpreter_FOUND OR NOT QUANTALINE_FFMPEG OR NOT QUANTALINE_MEDIAINFO)
  # Missing reference tools are a failure, never a silent skip.
  message(WARNING "python3, ffmpeg and mediainfo are needed for tests/reference")
  add_test(NAME reference.tools_missing COMMAND ${CMAKE_COMMAND} -E false)
elseif(NOT QUANTALINE_REFERENCE_STREAMS)
  message(FATAL_ERROR "tests/data holds no stream: run tests/data/make_streams.sh")
else()
  foreach(stream IN LISTS QUANTALINE_REFERENCE_STREAMS)
    get_filename_component(stream_name ${stream} NAME)
    add_test(NAME reference.${stream_name}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/check_stream.py
                     $<TARGET_FILE:quantaline-cli> ${stream})
    set_tests_properties(reference.${stream_name} PROPERTIES TIMEOUT 300)
  endforeach()
  # The whole-stream scan, on every stream and on the transport streams too.
  file(GLOB QUANTALINE_TRANSPORT_STREAMS CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_LIST_DIR}/../data/*.ts ${CMAKE_CURRENT_LIST_DIR}/../data/*.m2ts)
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
