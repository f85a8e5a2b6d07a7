#!/usr/bin/env bash
# Installs what the build and tests need on Debian 12, only when it is missing:
# the 32- and 64-bit Windows cross compilers, wine with both halves, a virtual
# X display, the X11 headers (the Linux library loads libX11 at run time and
# links nothing of it), clang's sanitizer runtime, the test libraries, and
# emscripten with Chromium for the browser build, pygame and LÖVE for the
# host examples.
#
# The package archive is sometimes out of step (an index that fails to
# download mid-sync). That must not stop a new machine: a failed update is
# reported and the install goes on with the indexes that did load; a failed
# install is retried once with the base release as target, which resolves the
# 32-bit wine libraries against the matching 64-bit ones.
set -uo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64)
have wine || need+=(wine)
[ -e /usr/lib/wine/i386-windows ] || [ -e /usr/lib/i386-linux-gnu/wine ] || need+=(wine32:i386)
[ -e /usr/lib/wine/wine64 ] || [ -e /usr/lib/x86_64-linux-gnu/wine/x86_64-windows ] || need+=(wine64)
have xvfb-run || need+=(xvfb)
have xauth || need+=(xauth)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
have clang++ || need+=(clang)
ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.asan-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
[ -e /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -e /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -e /usr/include/stb/stb_image.h ] && [ -e /usr/include/stb/stb_image_write.h ] || need+=(libstb-dev)
[ -e /usr/include/X11/Xlib.h ] || need+=(libx11-dev)
[ -e /usr/include/X11/extensions/XShm.h ] || need+=(libxext-dev)
have zip || need+=(zip)
have python3 || need+=(python3)
[ -e /usr/bin/emcc ] || need+=(emscripten)
[ -e /usr/share/nodejs/acorn ] || need+=(node-acorn)
have chromium || need+=(chromium)
# The host examples' runtimes: pygame, LÖVE (with LuaJIT's FFI), and cffi,
# which reads velmora_ffi.h in its test (the system's python3, as the tests run it).
/usr/bin/python3 -c "import pygame" >/dev/null 2>&1 || need+=(python3-pygame)
/usr/bin/python3 -c "import cffi" >/dev/null 2>&1 || need+=(python3-cffi)
have love || need+=(love)

if [ ${#need[@]} -eq 0 ]; then exit 0; fi
echo "Installing: ${need[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if printf '%s\n' "${need[@]}" | grep -q ':i386'; then
    $sudo dpkg --add-architecture i386
fi
if ! $sudo apt-get update -qq; then
    echo "install-deps: apt-get update failed on some index; going on with the indexes that loaded" >&2
fi
log="$(mktemp)"
install() { DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$@" "${need[@]}" >"$log" 2>&1; }
if ! install; then
    echo "install-deps: install failed; retrying with the base release (bookworm) as target" >&2
    if ! install -t bookworm; then
        echo "install-deps: could not install: ${need[*]}" >&2
        echo "apt-get said:" >&2
        grep -E '^(E:|W:| )' "$log" >&2 || tail -n 20 "$log" >&2
        rm -f "$log"
        exit 1
    fi
fi
rm -f "$log"
