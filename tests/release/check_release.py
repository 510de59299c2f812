#!/usr/bin/env python3
"""Checks a release zip: its three files under their names (the guide's Chinese name as Windows'
zip folders and as Unicode-aware tools read it), the program byte-identical to the build, a guide
that Notepad reads (UTF-8 with a mark, CR LF) and that explains every text the program can show
and every line it writes, SHA256SUMS that `sha256sum -c` accepts, and a README that names the
zip of this version. A signed release's program is compared with PROGRAM instead of the build's.
Usage: check_release.py ZIP SOURCE_DIR BUILD_DIR [PROGRAM]"""

import os
import re
import subprocess
import sys
import tempfile
import zipfile

FLAG_UTF8 = 0x800


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


def main(zip_path, source, build, program=None):
    failures = []

    def check(what, ok):
        if not ok:
            failures.append(what)

    with open(os.path.join(source, "VERSION"), encoding="ascii") as f:
        version = f.readline().strip()
    with open(program or os.path.join(build, "win32", "TiroxOptimize.exe"), "rb") as f:
        exe = f.read()
    routes = subprocess.run([os.path.join(build, "native", "print_route_tables")], check=True,
                            capture_output=True, text=True).stdout.split()

    archive = zipfile.ZipFile(zip_path)
    check("every entry's data matches its CRC", archive.testzip() is None)
    infos = archive.infolist()
    names = [entry_name(i) for i in infos]
    check("entries %r" % names, names == [("TiroxOptimize.exe", None), ("使用说明.txt", "使用说明.txt"),
                                          ("SHA256SUMS", None)])
    if failures:
        return report(failures)
    check("the program is the one built", archive.read(infos[0]) == exe)

    guide_bytes = archive.read(infos[1])
    check("guide begins with a UTF-8 mark", guide_bytes.startswith(b"\xef\xbb\xbf"))
    check("guide lines end in CR LF", re.search(rb"(?<!\r)\n|\r(?!\n)", guide_bytes) is None)
    guide = guide_bytes.decode("utf-8-sig")
    check("guide names version %s" % version, version in guide)
    check("guide has no unfilled place", "@" not in guide)
    for fragment in program_texts(source):
        check("guide explains %r" % fragment, fragment in guide)
    for word in set(routes[1::3] + routes[2::3]):
        check("guide names %s" % word, word in guide)

    with tempfile.TemporaryDirectory() as out:
        for info, (name, _unicode) in zip(infos, names):
            with open(os.path.join(out, name), "wb") as f:
                f.write(archive.read(info))
        sums = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=out, capture_output=True,
                              text=True, env=dict(os.environ, LC_ALL="C.UTF-8"))
        check("sha256sum -c SHA256SUMS: %s%s" % (sums.stdout, sums.stderr), sums.returncode == 0)
        with open(os.path.join(out, "SHA256SUMS"), encoding="utf-8") as f:
            listed = [line.split("  ", 1)[1] for line in f.read().splitlines()]
        check("SHA256SUMS lists %r" % listed, listed == ["TiroxOptimize.exe", "使用说明.txt"])

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
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
