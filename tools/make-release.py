#!/usr/bin/env python3
"""Builds the release zip BUILD/dist/TiroxOptimize-<version>.zip from the built trees: both
programs as built, 64位/TiroxOptimize.exe (BUILD/win64) for 64-bit Windows and
32位/TiroxOptimize.exe (BUILD/win32) for 32-bit Windows, the player's guide 使用说明.txt and
SHA256SUMS of the three. Each program must be of its kind (PE32+ for x86-64, PE32 for i386).

The same source gives the same zip byte for byte: entries in a fixed order with the time of the
source's last commit (SOURCE_DATE_EPOCH, when set, takes its place), fixed attributes and
compression, and nothing of the machine, the directory or the hour of the build.

When the environment names a signing key (SIGN_PKCS12, or SIGN_PKCS11_MODULE with SIGN_KEY and
SIGN_CERT; SIGN_PASS_FILE holds the password or PIN; SIGN_TIMESTAMP_URL optional), each program in
the zip carries an Authenticode signature made with osslsigncode at the same fixed time, so the
same key gives the same bytes, and removing the signature gives back the unsigned program.

Usage: make-release.py SOURCE_DIR BUILD_DIR"""

import calendar
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zlib

EXE_NAME = "TiroxOptimize.exe"
# Both programs keep the program's name, each in a folder named for the Windows it is for in the
# words Windows shows as the system type: (folder, build directory, PE machine, optional header
# magic, kind).
PROGRAMS = (("64位", "win64", 0x8664, 0x20B, "64-bit (PE32+, x86-64)"),
            ("32位", "win32", 0x14C, 0x10B, "32-bit (PE32, i386)"))
GUIDE_NAME = "使用说明.txt"
SUMS_NAME = "SHA256SUMS"
GROUP_NAMES = {"1": "第一组", "2": "第二组", "3": "第三组"}
# osslsigncode stores the description as an IA5String, which Windows shows as ASCII only.
SIGN_DESCRIPTION = "TiroxOptimize"
SIGNED_NOTE = ("运营方发布的两个 TiroxOptimize.exe（64位和32位）都带有运营方的数字签名，\n"
               "签名人（发布者）是：\n\n    %s\n")
UNSIGNED_NOTE = ("运营方发布的两个 TiroxOptimize.exe（64位和32位）都带有运营方的数字签名。\n"
                 "这个压缩包中的程序没有签名：它们是自行编译的，不是运营方发布的。\n")
SIGN_VARIABLES = ("SIGN_PKCS12", "SIGN_PKCS11_MODULE", "SIGN_KEY", "SIGN_CERT", "SIGN_PASS_FILE",
                  "SIGN_TIMESTAMP_URL")


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


def guide_text(source, version, entries, signer):
    """The guide as Notepad reads it on every Windows from XP on: UTF-8 with a mark, CR LF.
    signer: the publisher's name of a signed program, None for an unsigned one."""
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
                .replace("@ADDRESSES@\n", "".join(a + "\n" for a in addresses))
                .replace("@SIGNATURE@\n", SIGNED_NOTE % signer if signer else UNSIGNED_NOTE))
    return "\ufeff" + text.replace("\r\n", "\n").replace("\n", "\r\n")


def signing_settings():
    """The SIGN_* variables that are set (empty counts as unset, as make exports them), or None
    when there is nothing to sign with. Exits on a set that cannot sign."""
    given = {name: os.environ[name] for name in SIGN_VARIABLES if os.environ.get(name)}
    if not given:
        return None
    if "SIGN_PKCS12" in given:
        needed = ("SIGN_PASS_FILE",)
        other = [name for name in ("SIGN_PKCS11_MODULE", "SIGN_KEY", "SIGN_CERT") if name in given]
        if other:
            sys.exit("make-release: cannot sign: SIGN_PKCS12 holds key and certificate; "
                     "leave out " + ", ".join(other))
    else:
        needed = ("SIGN_PKCS11_MODULE", "SIGN_KEY", "SIGN_CERT", "SIGN_PASS_FILE")
    missing = [name for name in needed if name not in given]
    if missing:
        sys.exit("make-release: cannot sign without " + ", ".join(missing)
                 + " (SIGN_PKCS12 or SIGN_PKCS11_MODULE with SIGN_KEY and SIGN_CERT; "
                 "SIGN_PASS_FILE for both)")
    for name in ("SIGN_PKCS12", "SIGN_CERT", "SIGN_PASS_FILE", "SIGN_PKCS11_MODULE"):
        if name in given and not os.path.isfile(given[name]):
            sys.exit("make-release: cannot sign: %s=%s is no file" % (name, given[name]))
    return given


def run_tool(what, command):
    result = subprocess.run(command, capture_output=True, text=True)
    if result.returncode != 0:
        # osslsigncode says why on stderr; its stdout only says "Failed".
        sys.exit("make-release: %s failed:\n%s" % (what, (result.stderr or result.stdout).strip()))
    return result


def signature_certificates(signature):
    """Subject, issuer (RFC 2253) and validity (seconds since 1970) of every certificate in a PEM
    signature."""
    pems = run_tool("reading the signature's certificates",
                    ["openssl", "pkcs7", "-print_certs", "-in", signature]).stdout
    found = []
    for pem in re.findall(r"-----BEGIN CERTIFICATE-----.*?-----END CERTIFICATE-----", pems, re.S):
        lines = subprocess.run(["openssl", "x509", "-noout", "-subject", "-issuer", "-startdate",
                                "-enddate", "-nameopt", "RFC2253,-esc_msb"],
                               input=pem, capture_output=True, text=True, check=True,
                               env=dict(os.environ, LC_ALL="C")).stdout
        fields = dict(line.split("=", 1) for line in lines.splitlines())
        for key in ("notBefore", "notAfter"):
            fields[key] = calendar.timegm(time.strptime(fields[key], "%b %d %H:%M:%S %Y GMT"))
        found.append(fields)
    return found


def publisher(certificates):
    """The name Windows shows as the publisher: the signer's common name (else organisation).
    The signer is the certificate that issued none of the others."""
    issuers = {c["issuer"] for c in certificates if c["issuer"] != c["subject"]}
    leaf = next(c for c in certificates if c["subject"] not in issuers)
    for attribute in ("CN", "O"):
        match = re.search(r"(?:^|,)%s=((?:[^,\\]|\\.)*)" % attribute, leaf["subject"])
        if match:
            return re.sub(r"\\(.)", r"\1", match.group(1))
    return leaf["subject"]


def sign(name, exe, settings, epoch, portal):
    """The program with an Authenticode signature (SHA-256) made at the time epoch, and the
    publisher's name; name, the program's in the zip, is for messages. Exits with osslsigncode's
    message when signing fails; nothing signed is left behind."""
    with tempfile.TemporaryDirectory(prefix="tirox-sign.") as work:
        unsigned, signed = os.path.join(work, "unsigned.exe"), os.path.join(work, "signed.exe")
        with open(unsigned, "wb") as f:
            f.write(exe)
        command = ["osslsigncode", "sign", "-h", "sha256", "-n", SIGN_DESCRIPTION,
                   "-i", "https://%s/" % portal, "-time", str(epoch),
                   "-readpass", settings["SIGN_PASS_FILE"]]
        if "SIGN_PKCS12" in settings:
            command += ["-pkcs12", settings["SIGN_PKCS12"]]
        else:
            command += ["-pkcs11module", settings["SIGN_PKCS11_MODULE"],
                        "-key", settings["SIGN_KEY"], "-certs", settings["SIGN_CERT"]]
        if "SIGN_TIMESTAMP_URL" in settings:
            command += ["-ts", settings["SIGN_TIMESTAMP_URL"]]
        run_tool("signing " + name, command + ["-in", unsigned, "-out", signed])

        # Windows checks the certificates at the time it runs the program (or the time stamp's).
        signature = os.path.join(work, "signature.pem")
        run_tool("reading the signature", ["osslsigncode", "extract-signature", "-pem",
                                           "-in", signed, "-out", signature])
        certificates = signature_certificates(signature)
        now = int(time.time())
        expired = ["%s (valid %s to %s)" % (c["subject"], time.strftime("%Y-%m-%d", time.gmtime(c["notBefore"])),
                                            time.strftime("%Y-%m-%d", time.gmtime(c["notAfter"])))
                   for c in certificates if not c["notBefore"] <= now <= c["notAfter"]]
        if expired:
            sys.exit("make-release: cannot sign: certificate not valid now: " + "; ".join(expired))

        # What the README promises anyone who checks a release.
        stripped = os.path.join(work, "stripped.exe")
        run_tool("removing the signature again", ["osslsigncode", "remove-signature",
                                                  "-in", signed, "-out", stripped])
        with open(stripped, "rb") as f:
            if f.read() != exe:
                sys.exit("make-release: the signed %s without its signature is not the program "
                         "built" % name)
        with open(signed, "rb") as f:
            return f.read(), publisher(certificates)


def pe_kind(data):
    """(machine, optional header magic) of a PE file's header, or None for no PE file."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[header:header + 4] != b"PE\0\0" or len(data) < header + 26:
        return None
    machine = struct.unpack_from("<H", data, header + 4)[0]
    magic = struct.unpack_from("<H", data, header + 24)[0]
    return machine, magic


def read_program(build, directory, machine, magic, kind):
    """The built program of that build directory; exits when it is not of its kind, as a tree
    configured with the other toolchain would give."""
    path = os.path.join(build, directory, EXE_NAME)
    with open(path, "rb") as f:
        exe = f.read()
    found = pe_kind(exe)
    if found != (machine, magic):
        said = ("machine 0x%X, optional header magic 0x%X" % found) if found else "no PE file"
        sys.exit("make-release: %s is not a %s program: %s (expected machine 0x%X, magic 0x%X)"
                 % (path, kind, said, machine, magic))
    return exe


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
    out_dir = os.path.join(build, "dist")
    out = os.path.join(out_dir, "TiroxOptimize-%s.zip" % version)
    # A zip of an earlier build must not pass for this one when this one fails.
    if os.path.exists(out):
        os.remove(out)
    settings = signing_settings()
    epoch = release_time(source)
    programs = [("%s/%s" % (folder, EXE_NAME), read_program(build, directory, machine, magic, kind))
                for folder, directory, machine, magic, kind in PROGRAMS]
    entries = route_tables(build)
    signer = None
    if settings:
        # The route table begins with the portal's own name.
        signed = []
        for name, exe in programs:
            exe, signer = sign(name, exe, settings, epoch, entries[0][2])
            signed.append((name, exe))
        programs = signed
    guide = guide_text(source, version, entries, signer).encode("utf-8")
    files = programs + [(GUIDE_NAME, guide)]
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in files).encode("utf-8")
    entries = files + [(SUMS_NAME, sums)]

    os.makedirs(out_dir, exist_ok=True)
    write_zip(out, entries, epoch)
    with open(out, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    for name, data in entries:
        print("  %9d  %s" % (len(data), name))
    print("%s: %d bytes, SHA-256 %s%s" % (out, os.path.getsize(out), digest,
                                         ", signed" if settings else ""))
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
