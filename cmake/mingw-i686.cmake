# The 32-bit Windows DLL.
set(VL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
# Tests of the DLL run under wine (inside tools/run-wine.sh, which provides
# the display and the prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
