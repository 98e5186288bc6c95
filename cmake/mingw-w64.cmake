# Cross build for 64-bit Windows with Debian's mingw-w64:
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DQUANTALINE_UI=OFF
# The posix thread model gives std::thread and std::mutex; linking everything statically
# (libgcc, libstdc++, winpthread) leaves a single .exe that runs under Wine or on Windows
# without any DLL beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUANTALINE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUANTALINE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUANTALINE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUANTALINE_MINGW_TRIPLE}-windres)

# Keep a root given on the command line (e.g. a GoogleTest built for Windows).
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${QUANTALINE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Lets CMake run the test programs it builds (gtest_discover_tests) through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/windows/wine-run.sh)
