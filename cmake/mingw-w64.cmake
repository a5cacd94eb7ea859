# Cross-builds Vantoro for Windows with MinGW-w64 from Debian, against a static Qt.
# -DVANTORO_WIN_ARCH=i686 (32-bit, the default) or x86_64; CMAKE_PREFIX_PATH names the Qt.
# Tests run through Wine, which CTest calls as the cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT VANTORO_WIN_ARCH)
    set(VANTORO_WIN_ARCH i686)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${VANTORO_WIN_ARCH})
set(triple ${VANTORO_WIN_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_RC_COMPILER ${triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The C++ and threading runtimes go into the programs: nothing to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

if(VANTORO_WIN_ARCH STREQUAL "x86_64")
    find_program(VANTORO_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
else()
    find_program(VANTORO_WINE NAMES wine)
endif()
if(VANTORO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VANTORO_WINE})
endif()
