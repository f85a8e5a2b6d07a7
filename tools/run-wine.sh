#!/usr/bin/env bash
# Runs a command (a Windows program through wine, or ctest whose tests do)
# inside a virtual X display with a project-local wine prefix. The display is
# 24-bit and large enough for a 1920x1080 client area (the benchmark's). VL_WINE_ARCH=win64
# selects a 64-bit prefix (for the 64-bit DLL); the default is 32-bit.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEARCH="${VL_WINE_ARCH:-win32}"
wine=wine
if [ "$WINEARCH" = win64 ]; then
    export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix64}"
    # Debian's `wine` script starts the 32-bit loader whenever it is
    # installed; 64-bit programs need the 64-bit one.
    wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
    export WINELOADER="$wine"
else
    export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
fi
export WINEDEBUG="${WINEDEBUG:--all}"
# No prompts to install the .NET or HTML runtimes in a headless run.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot -i >/dev/null 2>&1 || true
    # A crashing test must end, not wait in the crash debugger's dialog.
    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
# "wine prog.exe" runs the program with the loader of the prefix's kind.
if [ "${1:-}" = wine ]; then
    shift
    set -- "$wine" "$@"
fi
if [ -n "${DISPLAY:-}" ] && [ -z "${VL_FORCE_XVFB:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1920x1200x24" "$@"
