#!/usr/bin/env python3
"""Builds the release zip BUILD/dist/TiroxOptimize-<version>.zip from a built tree:
TiroxOptimize.exe as built, the player's guide 使用说明.txt and SHA256SUMS of the two.

The same source gives the same zip byte for byte: entries in a fixed order with the time of the
source's last commit (SOURCE_DATE_EPOCH, when set, takes its place), fixed attributes and
compression, and nothing of the machine, the directory or the hour of the build.

Usage: make-release.py SOURCE_DIR BUILD_DIR"""

import hashlib
import os
import struct
import subprocess
import sys
import time
import zlib

EXE_NAME = "TiroxOptimize.exe"
GUIDE_NAME = "使用说明.txt"
SUMS_NAME = "SHA256SUMS"
GROUP_NAMES = {"1": "第一组", "2": "第二组", "3": "第三组"}


def read_version(source):
    with open(os.path.join(source, "VERSION"), encoding="ascii") as f:
        return f.readline().strip()


def release_time(source):
    """The time the zip's entries carry: the last commit's, so a rebuild at another hour agrees."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    try:
        out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                             check=True, capture_output=True, text=True).stdout
        return int(out.strip())
    except (OSError, subprocess.CalledProcessError, ValueError):
        sys.exit("make-release: no commit time (not a git checkout); set SOURCE_DATE_EPOCH")


def route_tables(build):
    """(group, address, host name) of every route entry, as the program's own tables hold them."""
    out = subprocess.run([os.path.join(build, "native", "print_route_tables")],
                         check=True, capture_output=True, text=True).stdout
    return [tuple(line.split(" ")) for line in out.splitlines()]


def guide_text(source, version, entries):
    """The guide as Notepad reads it on every Windows from XP on: UTF-8 with a mark, CR LF."""
    with open(os.path.join(source, "docs", GUIDE_NAME), encoding="utf-8") as f:
        text = f.read()
    host_names = [host for group, _address, host in entries if group == "1"]
    addresses = []
    for group, address, _host in entries:
        line = "    %-16s（%s）" % (address, GROUP_NAMES[group])
        if line not in addresses:
            addresses.append(line)
    text = (text.replace("@VERSION@", version)
                .replace("@HOSTNAMES@\n", "".join("    %s\n" % h for h in host_names))
                .replace("@ADDRESSES@\n", "".join(a + "\n" for a in addresses)))
    return "\ufeff" + text.replace("\r\n", "\n").replace("\n", "\r\n")


def dos_date_time(epoch):
    t = time.gmtime(max(epoch, 315532800))  # a zip cannot say a time before 1980
    return ((t.tm_year - 1980) << 9 | t.tm_mon << 5 | t.tm_mday,
            t.tm_hour << 11 | t.tm_min << 5 | t.tm_sec // 2)


def zip_name(name):
    """The name as the header holds it, and the extra field that carries its Unicode form.

    Windows' own zip folders read names without the UTF-8 flag in the system's code page (936 on
    a Chinese Windows, from XP to 11) and ignore the flag before Windows 10, so a Chinese name is
    stored in GBK; 7-Zip, WinRAR and Info-ZIP take the exact name from the Unicode path field."""
    raw = name.encode("gbk")
    if raw.isascii():
        return raw, b""
    unicode_name = name.encode("utf-8")
    field = struct.pack("<BI", 1, zlib.crc32(raw)) + unicode_name
    return raw, struct.pack("<HH", 0x7075, len(field)) + field


def deflate(data):
    compressor = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    return compressor.compress(data) + compressor.flush()


def write_zip(path, entries, epoch):
    """entries: (name, bytes) in order. Writes a plain zip (no data descriptors, no zip64)."""
    date, clock = dos_date_time(epoch)
    local, central = b"", b""
    for name, data in entries:
        raw_name, extra = zip_name(name)
        packed = deflate(data)
        fields = struct.pack("<HHHHHIIIHH", 20, 0, 8, clock, date, zlib.crc32(data),
                             len(packed), len(data), len(raw_name), len(extra))
        central += (struct.pack("<IH", 0x02014B50, 20) + fields
                    + struct.pack("<HHHII", 0, 0, 0, 0, len(local)) + raw_name + extra)
        local += struct.pack("<I", 0x04034B50) + fields + raw_name + extra + packed
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                      len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)


def main(source, build):
    version = read_version(source)
    with open(os.path.join(build, "win32", EXE_NAME), "rb") as f:
        exe = f.read()
    guide = guide_text(source, version, route_tables(build)).encode("utf-8")
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in ((EXE_NAME, exe), (GUIDE_NAME, guide))).encode("utf-8")
    entries = [(EXE_NAME, exe), (GUIDE_NAME, guide), (SUMS_NAME, sums)]

    out_dir = os.path.join(build, "dist")
    os.makedirs(out_dir, exist_ok=True)
    out = os.path.join(out_dir, "TiroxOptimize-%s.zip" % version)
    write_zip(out, entries, release_time(source))
    with open(out, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    for name, data in entries:
        print("  %9d  %s" % (len(data), name))
    print("%s: %d bytes, SHA-256 %s" % (out, os.path.getsize(out), digest))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
