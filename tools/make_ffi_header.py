#!/usr/bin/env python3
"""Writes include/velmora_ffi.h: the declarations of include/velmora.h as
plain C with no preprocessor lines, for foreign function interfaces that
read C declarations but no preprocessor (LuaJIT's ffi.cdef, Python's cffi).

    tools/make_ffi_header.py           write the file
    tools/make_ffi_header.py --check   fail unless the file is what this
                                       script writes and declares every name
                                       of the export list (src/engine/Velmora.def)
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
HEADER = ROOT / "include" / "velmora.h"
FFI_HEADER = ROOT / "include" / "velmora_ffi.h"
EXPORT_LIST = ROOT / "src" / "engine" / "Velmora.def"

PREAMBLE = """\
/* Velmora's functions as plain C declarations, with no preprocessor lines,
 * for LuaJIT's ffi.cdef and Python's cffi. Every function uses the C calling
 * convention (__cdecl on 32-bit Windows), the default of both. See velmora.h
 * for C and C++ hosts and API.md for what each function does.
 * Written by tools/make_ffi_header.py from velmora.h; do not edit. */
"""

# One export a line: "VL_API <result> VL_CALL <name>(<arguments>); /* what */".
DECLARATION = re.compile(r"^VL_API\s+(.+?)\s+VL_CALL\s+(vl\w+\(.*\);)(.*)$")


def ffi_header(header_text):
    lines = []
    for line in header_text.splitlines():
        if not line.startswith("VL_API"):
            continue
        match = DECLARATION.match(line)
        if not match:
            # A form this script does not know must not be dropped silently.
            sys.exit(f"make_ffi_header: cannot read this declaration of velmora.h:\n  {line}")
        result, declaration, comment = match.groups()
        lines.append(f"{result} {declaration}{comment}".rstrip())
    return PREAMBLE + "\n".join(lines) + "\n"


def export_names():
    text = EXPORT_LIST.read_text()
    return re.findall(r"^[ \t]+(vl\w+)[ \t]*$", text[text.index("EXPORTS"):], re.M)


def main():
    wanted = ffi_header(HEADER.read_text())
    if sys.argv[1:] != ["--check"]:
        FFI_HEADER.write_text(wanted)
        return
    problems = []
    if not FFI_HEADER.exists() or FFI_HEADER.read_text() != wanted:
        problems.append(f"{FFI_HEADER.relative_to(ROOT)} is not what velmora.h gives; "
                        "run tools/make_ffi_header.py and commit the result")
    declared = re.findall(r"\b(vl\w+)\(", wanted)
    missing = [name for name in export_names() if name not in declared]
    if missing:
        problems.append("velmora.h declares no " + ", ".join(missing) + " of the export list")
    if "#" in wanted:
        problems.append("a preprocessor character made it into the declarations")
    try:  # read as a host reads it
        import cffi
        cffi.FFI().cdef(wanted)
    except ImportError:
        problems.append("no cffi to read the declarations with (python3-cffi; make deps installs it)")
    except cffi.CDefError as e:
        problems.append(f"cffi cannot read the declarations: {e}")
    if problems:
        sys.exit("make_ffi_header: " + "\nmake_ffi_header: ".join(problems))
    print(f"{FFI_HEADER.relative_to(ROOT)}: {len(declared)} declarations, as velmora.h and the export list have them")


if __name__ == "__main__":
    main()
