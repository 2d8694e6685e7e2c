# Cross-builds the Windows programs (tonvert.exe, tonvert-dump.exe) with the
# mingw-w64 compiler for 64-bit Windows:
#
#   cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTONVERT_TESTS=OFF
#
# The programs are linked statically, C and C++ runtimes included, so each
# .exe runs on its own with nothing but the system's DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TONVERT_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triple of the mingw-w64 tools")

# The win32 thread flavour needs no threading DLL; the program has one thread.
# Take it where the compiler comes in both flavours, else the default one.
find_program(TONVERT_MINGW_CXX NAMES ${TONVERT_MINGW_PREFIX}-g++-win32 ${TONVERT_MINGW_PREFIX}-g++
             REQUIRED)
find_program(TONVERT_MINGW_CC NAMES ${TONVERT_MINGW_PREFIX}-gcc-win32 ${TONVERT_MINGW_PREFIX}-gcc)
find_program(TONVERT_MINGW_WINDRES NAMES ${TONVERT_MINGW_PREFIX}-windres)
set(CMAKE_CXX_COMPILER ${TONVERT_MINGW_CXX})
if(TONVERT_MINGW_CC)
  set(CMAKE_C_COMPILER ${TONVERT_MINGW_CC})
endif()
if(TONVERT_MINGW_WINDRES)
  set(CMAKE_RC_COMPILER ${TONVERT_MINGW_WINDRES})
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${TONVERT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs built here run under an emulator only, if at all.
find_program(TONVERT_WINE NAMES wine wine64)
if(TONVERT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TONVERT_WINE})
endif()
