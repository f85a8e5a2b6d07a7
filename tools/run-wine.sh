#!/usr/bin/env bash
# Runs a command (a Windows program through wine, or ctest whose tests do)
# inside a virtual X display with a project-local wine prefix. The display is
# 24-bit and large enough for an 800x600 client area.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win32
# No prompts to install the .NET or HTML runtimes in a headless run.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -e "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # A crashing test must end, not wait in the crash debugger's dialog.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1 || true
    wineserver -w || true
fi
if [ -n "${DISPLAY:-}" ] && [ -z "${VL_FORCE_XVFB:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
