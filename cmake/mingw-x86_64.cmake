# The 64-bit Windows DLL.
set(VL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Tests of the DLL run under wine (inside tools/run-wine.sh, which provides
# the display and the prefix). Debian's `wine` script runs the 32-bit loader
# when it is installed, so the 64-bit loader is named directly.
find_program(VL_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VL_WINE64 NAMES wine64)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VL_WINE64})
