# Cross toolchain for the 64-bit Windows DLL. The posix thread variant is
# used because GoogleTest needs std::mutex; it is linked statically, so the
# DLL still imports only system libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests of the DLL run under wine (inside tools/run-wine.sh, which provides
# the display and the prefix).
# Debian's `wine` script runs the 32-bit loader when it is installed, so the
# 64-bit loader is named directly.
find_program(VL_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VL_WINE64 NAMES wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VL_WINE64})
