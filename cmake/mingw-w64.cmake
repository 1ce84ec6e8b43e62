# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# model, for std::thread and std::mutex), tests run under wine:
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#
# scripts/windows.sh does this, builds and runs the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KESTRELON_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRELON_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRELON_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRELON_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTRELON_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs that need only the system's own DLLs: the C and C++ run-time
# and the thread library linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs (and gtest's test discovery) run through wine.
find_program(KESTRELON_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(KESTRELON_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRELON_WINE})
endif()
