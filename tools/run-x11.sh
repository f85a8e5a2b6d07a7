#!/usr/bin/env bash
# Runs a command with an X display: the user's own when there is one,
# otherwise a virtual 24-bit display large enough for an 800x600 window.
set -euo pipefail
if [ -n "${DISPLAY:-}" ] && [ -z "${VL_FORCE_XVFB:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
