#!/usr/bin/env python3
"""Shows that the checks of the built files fail on a wrong one: each case gives a check a file of
the other build, or a copy of a built file with one fault put in, and expects the check to fail
and to name the fault. The untouched files pass the same checks (app_* and probe_xp_imports.*).
Usage: check_wrong_files.py WIN32_DIR WIN64_DIR VERSION"""

import os
import re
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
HIGH_ENTROPY_VA, LARGE_ADDRESS_AWARE, SCN_MEM_WRITE = 0x0020, 0x0020, 0x80000000
# A function of Windows Vista and later; the same source calls it in either build's object.
VISTA_CALL = b"#include <windows.h>\nULONGLONG Uptime(void) { return GetTickCount64(); }\n"


def optional_header(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    return pe, pe + 24, struct.unpack_from("<H", data, pe + 24)[0] == 0x20B


def clear_dll_characteristic(bit):
    def mutate(data):
        _, optional, _ = optional_header(data)
        struct.pack_into("<H", data, optional + 70, struct.unpack_from("<H", data, optional + 70)[0] & ~bit)
    return mutate


def clear_characteristic(bit):
    def mutate(data):
        pe, _, _ = optional_header(data)
        struct.pack_into("<H", data, pe + 22, struct.unpack_from("<H", data, pe + 22)[0] & ~bit)
    return mutate


def subsystem_version(major, minor):
    def mutate(data):
        _, optional, _ = optional_header(data)
        struct.pack_into("<HH", data, optional + 48, major, minor)
    return mutate


def drop_relocations(data):
    _, optional, is_64_bit = optional_header(data)
    struct.pack_into("<II", data, optional + (112 if is_64_bit else 96) + 5 * 8, 0, 0)


def writable_code(data):
    pe, optional, _ = optional_header(data)
    sections, optional_size = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    for header in range(optional + optional_size, optional + optional_size + 40 * sections, 40):
        if data[header:header + 8].rstrip(b"\0") == b".text":
            flags = struct.unpack_from("<I", data, header + 36)[0]
            struct.pack_into("<I", data, header + 36, flags | SCN_MEM_WRITE)


def replace(old, new):
    assert len(old) == len(new)

    def mutate(data):
        at = data.find(old)
        assert at >= 0, "%r not in the file" % old
        while at >= 0:
            data[at:at + len(old)] = new
            at = data.find(old, at + len(new))
    return mutate


# (what, check, architecture it is checked as, build the file comes from, fault put in, what the
# check must say: a regular expression)
CASES = [
    ("the 64-bit program as the 32-bit one", "imports", "win32", "win64", None, "not the win32 build"),
    ("the 32-bit program as the 64-bit one", "imports", "win64", "win32", None, "not the win64 build"),
    ("the 64-bit program as the 32-bit one", "resources", "win32", "win64", None, "is win64, not the win32 build"),
    ("the 32-bit program as the 64-bit one", "resources", "win64", "win32", None, "is win32, not the win64 build"),
    ("the 64-bit program as the 32-bit one", "hardening", "win32", "win64", None, "FAIL: the program is the win32 build"),
    ("the 32-bit program as the 64-bit one", "hardening", "win64", "win32", None, "FAIL: the program is the win64 build"),
    ("the 64-bit library as the 32-bit one", "probe", "win32", "win64", None, "not the win32 build"),
    ("the 32-bit library as the 64-bit one", "probe", "win64", "win32", None, "not the win64 build"),
    ("32-bit: subsystem version 5.2", "imports", "win32", "win32", subsystem_version(5, 2),
     "asks for subsystem version 5.2; Windows XP has 5.1"),
    ("64-bit: subsystem version 6.0", "imports", "win64", "win64", subsystem_version(6, 0),
     "asks for subsystem version 6.0"),
    ("32-bit: imports a call of Vista", "imports", "win32", "win32", replace(b"GetLastError\0", b"GetErrorMode\0"),
     "calls missing on Windows XP or XP x64: GetErrorMode"),
    ("64-bit: imports a call of Vista", "imports", "win64", "win64", replace(b"GetLastError\0", b"GetErrorMode\0"),
     "calls missing on Windows XP or XP x64: GetErrorMode"),
    ("32-bit: manifest for another processor", "resources", "win32", "win32",
     replace(b'processorArchitecture="x86"', b'processorArchitecture="arm"'), "manifest version and processor"),
    ("64-bit: manifest for the 32-bit processor", "resources", "win64", "win64",
     replace(b'processorArchitecture="amd64"', b'processorArchitecture="x86"  '), "manifest version and processor"),
    ("64-bit: HIGH_ENTROPY_VA cleared", "hardening", "win64", "win64", clear_dll_characteristic(HIGH_ENTROPY_VA),
     r"FAIL: DllCharacteristics 0x[0-9a-f]+ has HIGH_ENTROPY_VA"),
    ("64-bit: not large-address aware", "hardening", "win64", "win64", clear_characteristic(LARGE_ADDRESS_AWARE),
     r"FAIL: Characteristics 0x[0-9a-f]+ has LARGE_ADDRESS_AWARE"),
    ("32-bit: no relocation table", "hardening", "win32", "win32", drop_relocations,
     "FAIL: relocations kept: the base relocation table fixes up 0 addresses"),
    ("64-bit: no relocation table", "hardening", "win64", "win64", drop_relocations,
     "FAIL: relocations kept: the base relocation table fixes up 0 addresses"),
    ("64-bit: writable code", "hardening", "win64", "win64", writable_code,
     r"FAIL: no section both writable and executable \(\.text\)"),
    ("64-bit: the 32-bit build's link map", "hardening", "win64", "win64", "other map",
     "FAIL: the link map is this program's"),
    ("32-bit: a library object calls a function of Vista", "probe", "win32", "win32", "vista call",
     "calls missing on Windows XP or XP x64: GetTickCount64"),
    ("64-bit: a library object calls a function of Vista", "probe", "win64", "win64", "vista call",
     "calls missing on Windows XP or XP x64: GetTickCount64"),
]

TOOLCHAINS = {"win32": "i686-w64-mingw32", "win64": "x86_64-w64-mingw32"}
OTHER = {"win32": "win64", "win64": "win32"}


def library_calling_vista(architecture, work):
    source, obj, library = (os.path.join(work, name) for name in ("uptime.c", "uptime.o", "libuptime.a"))
    with open(source, "wb") as f:
        f.write(VISTA_CALL)
    toolchain = TOOLCHAINS[architecture]
    subprocess.run([toolchain + "-gcc", "-D_WIN32_WINNT=0x0600", "-c", source, "-o", obj], check=True)
    subprocess.run([toolchain + "-ar", "rcs", library, obj], check=True)
    return library


def command(check, architecture, build, source, fault, work, version):
    """The check's command line, with the faulty file made in work."""
    if check == "probe":
        library = os.path.join(build[source], "probe", "libtirox_probe.a")
        if fault == "vista call":
            library = library_calling_vista(architecture, work)
        return [os.path.join(ROOT, "tests", "probe", "check-xp-imports.sh"), architecture, library]
    exe, link_map = (os.path.join(build[source], name) for name in ("TiroxOptimize.exe", "TiroxOptimize.map"))
    if fault == "other map":
        link_map = os.path.join(build[OTHER[architecture]], "TiroxOptimize.map")
    elif fault:
        data = bytearray(open(exe, "rb").read())
        fault(data)
        exe = os.path.join(work, "TiroxOptimize.exe")
        with open(exe, "wb") as f:
            f.write(data)
    return {"imports": [os.path.join(HERE, "check-imports.sh"), architecture, exe],
            "resources": [sys.executable, os.path.join(HERE, "check_resources.py"), architecture, exe, version],
            "hardening": [sys.executable, os.path.join(HERE, "check_hardening.py"), architecture, exe, link_map],
            }[check]


def main(win32_dir, win64_dir, version):
    build = {"win32": win32_dir, "win64": win64_dir}
    failures = 0
    for what, check, architecture, source, fault, expected in CASES:
        with tempfile.TemporaryDirectory() as work:
            run = subprocess.run(command(check, architecture, build, source, fault, work, version),
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        caught = run.returncode != 0 and re.search(expected, run.stdout)
        print("%s: %s check (%s) on %s" % ("ok" if caught else "FAIL", check, architecture, what))
        if not caught:
            failures += 1
            print("  exit status %d, expected a failure saying %r; output:\n%s" % (run.returncode, expected, run.stdout))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: check_wrong_files.py WIN32_DIR WIN64_DIR VERSION")
    sys.exit(main(*sys.argv[1:]))
