# Cross-compiling for Windows with Debian's MinGW-w64 (posix thread model), against the headers
# of Windows 7 so that a function Windows 7 lacks fails at compile time (the window looks the
# newer ones up at run time). The built programs run here under Wine, which ctest uses as the
# emulator.
#
# EDITOR_WINDOWS_BITS picks the width:
#   32 (the default)  a 32-bit (i686) program, as the editor ships: it runs on 32-bit Windows and
#                     unchanged on 64-bit Windows; run here under Wine's 32-bit loader.
#   64                the same sources as an x86-64 program, run under Wine's 64-bit loader: for
#                     the tests on a machine whose kernel runs no 32-bit program.
if(NOT DEFINED EDITOR_WINDOWS_BITS)
  set(EDITOR_WINDOWS_BITS 32)
endif()
set(EDITOR_WINDOWS_BITS ${EDITOR_WINDOWS_BITS} CACHE STRING "Width of the Windows build: 32 or 64")
# The test projects CMake builds while it configures read this file again, with this width.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES EDITOR_WINDOWS_BITS)
if(EDITOR_WINDOWS_BITS STREQUAL "32")
  set(CMAKE_SYSTEM_PROCESSOR i686)
  set(MINGW_PREFIX i686-w64-mingw32)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
elseif(EDITOR_WINDOWS_BITS STREQUAL "64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(MINGW_PREFIX x86_64-w64-mingw32)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
else()
  message(FATAL_ERROR "EDITOR_WINDOWS_BITS is ${EDITOR_WINDOWS_BITS}: 32 or 64")
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Windows 7 (0x0601) for every part, the core and its tests included.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0601 -DWINVER=0x0601")
# One self-contained program: no MinGW runtime DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
