#!/usr/bin/env bash
# Exits 0 when this machine can run 32-bit x86 programs (the 32-bit wine
# loader starts). Some virtual machines' kernels have 32-bit emulation off:
# there every 32-bit program fails with "Exec format error".
loader=/usr/lib/wine/wine
[ -x "$loader" ] || loader=$(command -v wine) || exit 1
"$loader" --version >/dev/null 2>&1
