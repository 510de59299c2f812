#!/usr/bin/env python3
"""Checks a release zip: its four files under their names (Chinese names as Windows' zip folders
and as Unicode-aware tools read them), each program byte-identical to its build and of its kind
(the 64-bit one PE32+ for x86-64, the 32-bit one PE32 for i386), a guide that Notepad reads
(UTF-8 with a mark, CR LF) and that explains every text the program can show, every line it
writes and which program to take, SHA256SUMS that `sha256sum -c` accepts, and a README that names
the zip of this version. A signed release's programs are compared with PROGRAM64 and PROGRAM32
instead of the builds'.
Usage: check_release.py ZIP SOURCE_DIR BUILD_DIR [PROGRAM64 PROGRAM32]"""

import os
import re
import subprocess
import sys
import tempfile
import zipfile

FLAG_UTF8 = 0x800
# (name in the zip, build directory, PE machine, optional header magic)
PROGRAMS = (("64位/TiroxOptimize.exe", "win64", 0x8664, 0x20B),
            ("32位/TiroxOptimize.exe", "win32", 0x14C, 0x10B))
GUIDE_NAME = "使用说明.txt"
SUMS_NAME = "SHA256SUMS"


def cpp_byte_strings(path, pattern):
    """The byte strings of the literals that follow each match of pattern (adjacent ones joined)."""
    with open(path, encoding="utf-8") as f:
        source = f.read()
    found = []
    for match in re.finditer(pattern + r'\s*((?:L?"(?:[^"\\]|\\.)*"\s*)+)', source):
        literals = re.findall(r'"((?:[^"\\]|\\.)*)"', match.group(1))
        found.append(b"".join(l.encode("latin-1").decode("unicode_escape").encode("latin-1")
                              for l in literals))
    return found


def program_texts(source):
    """Every text the program can show: the log texts (format texts cut at their fields) and the
    start-up message box."""
    constants = []
    for name in ("optimize/OptimizeRun.cpp", "app/OptimizeDlg.cpp"):
        constants += cpp_byte_strings(os.path.join(source, name), r"constexpr const char k\w+\[\]\s*=")
    texts = [c.decode("gbk") for c in constants if any(b >= 0x80 for b in c)]
    texts += [t.decode("ascii") for t in
              cpp_byte_strings(os.path.join(source, "app/OptimizeApp.cpp"), r"MessageBoxW\(nullptr,")]
    fragments = []
    for text in texts:
        fragments += [f for f in re.split(r"%[-+ #0-9.]*[a-z]", text.strip("\r\n")) if f]
    return fragments


def entry_name(info):
    """(name as a code-page-936 reader sees it, name of the Unicode path field or None)."""
    raw = info.filename.encode("cp437") if not info.flag_bits & FLAG_UTF8 else info.filename.encode()
    unicode_name = None
    extra = info.extra
    while len(extra) >= 4:
        tag, size = int.from_bytes(extra[:2], "little"), int.from_bytes(extra[2:4], "little")
        if tag == 0x7075:
            unicode_name = extra[9:4 + size].decode("utf-8")
        extra = extra[4 + size:]
    return raw.decode("gbk"), unicode_name


def pe_kind(data):
    """(machine, optional header magic) from a PE file's headers."""
    header = int.from_bytes(data[0x3C:0x40], "little")
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        return None
    return (int.from_bytes(data[header + 4:header + 6], "little"),
            int.from_bytes(data[header + 24:header + 26], "little"))


def main(zip_path, source, build, *given):
    failures = []

    def check(what, ok):
        if not ok:
            failures.append(what)

    with open(os.path.join(source, "VERSION"), encoding="ascii") as f:
        version = f.readline().strip()
    programs = []
    for index, (_name, directory, _machine, _magic) in enumerate(PROGRAMS):
        with open(given[index] if given else os.path.join(build, directory, "TiroxOptimize.exe"),
                  "rb") as f:
            programs.append(f.read())
    routes = subprocess.run([os.path.join(build, "native", "print_route_tables")], check=True,
                            capture_output=True, text=True).stdout.split()

    archive = zipfile.ZipFile(zip_path)
    check("every entry's data matches its CRC", archive.testzip() is None)
    infos = archive.infolist()
    names = [entry_name(i) for i in infos]
    expected = [(name, name) for name, *_ in PROGRAMS] + [(GUIDE_NAME, GUIDE_NAME), (SUMS_NAME, None)]
    check("entries %r" % names, names == expected)
    if failures:
        return report(failures)
    for info, exe, (name, _directory, machine, magic) in zip(infos, programs, PROGRAMS):
        data = archive.read(info)
        check("%s is the program built" % name, data == exe)
        check("%s: machine 0x%X, optional header magic 0x%X" % (name, machine, magic),
              pe_kind(data) == (machine, magic))

    guide_bytes = archive.read(infos[len(PROGRAMS)])
    check("guide begins with a UTF-8 mark", guide_bytes.startswith(b"\xef\xbb\xbf"))
    check("guide lines end in CR LF", re.search(rb"(?<!\r)\n|\r(?!\n)", guide_bytes) is None)
    guide = guide_bytes.decode("utf-8-sig")
    check("guide names version %s" % version, version in guide)
    check("guide has no unfilled place", "@" not in guide)
    for fragment in program_texts(source):
        check("guide explains %r" % fragment, fragment in guide)
    for word in set(routes[1::3] + routes[2::3]):
        check("guide names %s" % word, word in guide)
    # Which program to take: each named by its Windows path, and the words Windows shows as the
    # system type.
    for name, *_ in PROGRAMS:
        check("guide names %s" % name, name.replace("/", "\\") in guide)
    for words in ("系统类型", "64 位操作系统", "32 位操作系统"):
        check("guide says %s" % words, words in guide)

    with tempfile.TemporaryDirectory() as out:
        for info, (name, _unicode) in zip(infos, names):
            path = os.path.join(out, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(archive.read(info))
        sums = subprocess.run(["sha256sum", "-c", SUMS_NAME], cwd=out, capture_output=True,
                              text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
        check("sha256sum -c SHA256SUMS: %s%s" % (sums.stdout, sums.stderr), sums.returncode == 0)
        with open(os.path.join(out, SUMS_NAME), encoding="utf-8") as f:
            listed = [line.split("  ", 1)[1] for line in f.read().splitlines()]
        check("SHA256SUMS lists %r" % listed, listed == [name for name, _ in expected[:-1]])

    with open(os.path.join(source, "README.md"), encoding="utf-8") as f:
        readme = f.read()
    zip_name = "TiroxOptimize-%s.zip" % version
    check("README names " + zip_name, zip_name in readme)
    check("README names no zip of another version",
          set(re.findall(r"TiroxOptimize-[0-9][0-9.]*[0-9]\.zip", readme)) == {zip_name})
    return report(failures)


def report(failures):
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) not in (4, 6):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
