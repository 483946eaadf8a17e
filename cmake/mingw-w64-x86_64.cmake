# Cross-building the Windows program with Debian's mingw-w64 (the POSIX
# thread model, which std::thread needs). Tests run under wine:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PELMO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELMO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELMO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PELMO_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELMO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs and gtest discovery run through wine.
find_program(PELMO_WINE NAMES wine wine64)
if(PELMO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PELMO_WINE})
endif()
