#!/usr/bin/env bash
# Installs what the build and tests need on Debian 12, only when it is missing:
# the 32-bit Windows cross compiler, wine with its 32-bit half, a virtual X
# display, clang's sanitizer runtime and the test libraries.
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have wine || need+=(wine)
[ -e /usr/lib/wine/i386-windows ] || [ -e /usr/lib/i386-linux-gnu/wine ] || need+=(wine32:i386)
have xvfb-run || need+=(xvfb)
have xauth || need+=(xauth)
have cmake || need+=(cmake)
have ninja || need+=(ninja-build)
have clang++ || need+=(clang)
ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.asan-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
[ -e /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
[ -e /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -e /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
[ -e /usr/include/stb/stb_image_write.h ] || need+=(libstb-dev)
have zip || need+=(zip)

if [ ${#need[@]} -eq 0 ]; then exit 0; fi
echo "Installing: ${need[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if printf '%s\n' "${need[@]}" | grep -q ':i386'; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
