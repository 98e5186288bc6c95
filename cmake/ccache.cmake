# Every build of the project goes through ccache when the machine has it: the main build,
# the sanitizer, ThreadSanitizer, Release, fuzz and Windows builds the suites configure from
# this same source. The cache lives outside the checkout (ccache's own folder,
# ~/.cache/ccache, unless CCACHE_DIR says otherwise), so that the next run on the machine, a
# new clone included, reuses it; its size is bounded. QUANTALINE_CCACHE=OFF leaves it out.
option(QUANTALINE_CCACHE "Compile through ccache when it is installed" ON)
set(QUANTALINE_CCACHE_SIZE "8G" CACHE STRING "The bound on the size of ccache's folder")

get_filename_component(QUANTALINE_CHECKOUT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
if(QUANTALINE_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER AND NOT MSVC)
  find_program(QUANTALINE_CCACHE_PROGRAM ccache NO_CMAKE_FIND_ROOT_PATH)
  find_program(QUANTALINE_ENV_PROGRAM env NO_CMAKE_FIND_ROOT_PATH)
  if(QUANTALINE_CCACHE_PROGRAM AND QUANTALINE_ENV_PROGRAM)
    # Paths under the checkout are hashed relative to it, and the build folder is left out
    # of the hash: a clone elsewhere hits the same entries. A fresh clone's headers are
    # newer than the cache's entries: their times are not part of the hash.
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${QUANTALINE_ENV_PROGRAM}
        "CCACHE_BASEDIR=${QUANTALINE_CHECKOUT}"
        CCACHE_NOHASHDIR=1
        "CCACHE_MAXSIZE=${QUANTALINE_CCACHE_SIZE}"
        "CCACHE_SLOPPINESS=include_file_mtime,include_file_ctime"
        ${QUANTALINE_CCACHE_PROGRAM})
  endif()
endif()
