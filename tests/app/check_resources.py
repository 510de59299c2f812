#!/usr/bin/env python3
"""Reads the resources of TiroxOptimize.exe from its PE file and checks them against the
window's description: dialog 102 field by field, the pictures' sizes and depths, everything in
Chinese (PRC), the manifest, which names the processor of the build, and the version information,
which must be the one of the file VERSION. The file must be of the build named: win32 or win64.
Usage: check_resources.py win32|win64 TiroxOptimize.exe VERSION"""

import struct
import sys
import xml.etree.ElementTree as ET

# The checks run from the source tree; they leave no compiled copy of pe_image in it.
sys.dont_write_bytecode = True
from pe_image import ARCHITECTURES, PeImage

RT_BITMAP, RT_DIALOG, RT_RCDATA, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 2, 5, 10, 14, 16, 24
LANG_ZH_CN = 0x0804
RESOURCE_DIRECTORY = 2
# The manifest names the processor of the build it is in; each build configures its own.
MANIFEST_ARCHITECTURES = {"win32": "x86", "win64": "amd64"}

WS_POPUP, WS_CHILD, WS_VISIBLE = 0x80000000, 0x40000000, 0x10000000
WS_CAPTION, WS_BORDER, WS_SYSMENU = 0x00C00000, 0x00800000, 0x00080000
WS_VSCROLL, WS_GROUP, WS_TABSTOP = 0x00200000, 0x00020000, 0x00010000
DS_SETFONT, DS_MODALFRAME = 0x40, 0x80
ES_MULTILINE, ES_AUTOHSCROLL, ES_READONLY, ES_WANTRETURN = 0x4, 0x80, 0x800, 0x1000
BS_PUSHBUTTON = 0
SS_OWNERDRAW = 0xD
BUTTON, EDIT = 0x80, 0x81
# windres writes the class of a CONTROL statement as its name, not as the predefined atom.
STATIC = "STATIC"
WS_EX_APPWINDOW = 0x00040000

PUSH_BUTTON_STYLE = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
# The background picture's texts for screen readers: no tab stop, drawn by the dialog.
PICTURE_TEXT_STYLE = WS_CHILD | WS_VISIBLE | SS_OWNERDRAW
EXPECTED_DIALOG = {
    "style": WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    "exstyle": WS_EX_APPWINDOW,
    "rect": (0, 0, 265, 196),
    "menu": "", "class": "", "caption": "Tirox网络优化",
    "font": (9, 0, 0, 1, "宋体"),
    "controls": [
        (1000, BUTTON, "启动网络优化", (198, 46, 57, 48), PUSH_BUTTON_STYLE, 0),
        # Groups keep the arrow keys' focus moves off the texts: start | texts, log | restore.
        (1003, STATIC, "测量三组服务器线路的延迟", (37, 51, 144, 11), PICTURE_TEXT_STYLE | WS_GROUP, 0),
        (1004, STATIC, "比较五轮测速的平均时间", (37, 70, 144, 11), PICTURE_TEXT_STYLE, 0),
        (1005, STATIC, "把最快的线路写入 HOSTS", (37, 89, 144, 11), PICTURE_TEXT_STYLE, 0),
        (1006, STATIC, "提示：测速约需半分钟，其间窗口暂不响应", (9, 183, 160, 11), PICTURE_TEXT_STYLE, 0),
        # Right before the log pane, which takes its accessible name from it.
        (1007, STATIC, "运行日志", (15, 118, 35, 11), PICTURE_TEXT_STYLE, 0),
        (1001, EDIT, "", (9, 132, 245, 33),
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL
         | ES_MULTILINE | ES_AUTOHSCROLL | ES_READONLY | ES_WANTRETURN, 0),
        (1002, BUTTON, "恢复", (198, 172, 50, 14), PUSH_BUTTON_STYLE | WS_GROUP, 0),
    ],
}
EXPECTED_BITMAPS = {132: (88, 88), 134: (88, 88), 135: (88, 88), 136: (400, 300),
                    138: (79, 12), 139: (79, 12)}
# The pictures drawn for 125%, 150% and 200% (120, 144 and 192 DPI): PNG files, resource
# percent * 100 + the bitmap's id, each the 100% size times the scale, rounded half up.
PICTURE_SET_DPIS = {125: 120, 150: 144, 200: 192}
EXPECTED_PICTURE_SETS = {
    percent * 100 + ident: tuple((v * dpi + 48) // 96 for v in size)
    for percent, dpi in PICTURE_SET_DPIS.items() for ident, size in EXPECTED_BITMAPS.items()}
EXPECTED_ICON_IMAGES = {(size, bits) for size in (48, 32, 16) for bits in (8, 32)}
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}


def read_resources(image):
    """{(type, name, language): bytes} from the resource directory of a PeImage."""
    data = image.data
    base = image.offset(image.directories[RESOURCE_DIRECTORY][0])

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            key, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if key & 0x80000000:
                at = base + (key & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, at)[0]
                key = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield key, target

    found = {}
    for rtype, names in entries(0):
        for name, langs in entries(names & 0x7FFFFFFF):
            for lang, leaf in entries(langs & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(rtype, name, lang)] = data[image.offset(rva):image.offset(rva) + size]
    return found


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def align(self, n):
        self.at = (self.at + n - 1) // n * n

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def name_or_ordinal(self):
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            self.at += 2
            return self.take("H")
        return self.text()


def parse_dialog(data):
    r = Reader(data)
    version, signature, _help, exstyle, style, count, x, y, cx, cy = r.take("HHIIIHhhhh")
    assert (version, signature) == (1, 0xFFFF), "not an extended dialog template"
    dialog = {"style": style, "exstyle": exstyle, "rect": (x, y, cx, cy),
              "menu": r.name_or_ordinal(), "class": r.name_or_ordinal(), "caption": r.text()}
    dialog["font"] = r.take("HHBB") + (r.text(),)
    controls = []
    for _ in range(count):
        r.align(4)
        _help, ex, st, x, y, cx, cy, ident = r.take("IIIhhhhI")
        window_class = r.name_or_ordinal()
        title = r.name_or_ordinal()
        extra = r.take("H")
        r.at += extra
        controls.append((ident, window_class, title, (x, y, cx, cy), st, ex))
    dialog["controls"] = controls
    return dialog


def main(architecture, path, version_path):
    with open(path, "rb") as f:
        image = PeImage(f.read())
    if image.architecture() != architecture:
        print("FAIL %s is %s, not the %s build" % (path, image.architecture(), architecture))
        return 1
    resources = read_resources(image)
    failures = []
    with open(version_path, encoding="ascii") as f:
        version_text = f.readline().strip() + ".0"

    def check(what, actual, expected):
        if actual != expected:
            failures.append("%s: %r, expected %r" % (what, actual, expected))

    def only(rtype, name):
        langs = sorted(lang for (t, n, lang) in resources if (t, n) == (rtype, name))
        check("languages of resource %s/%s" % (rtype, name), langs, [LANG_ZH_CN])
        return resources.get((rtype, name, LANG_ZH_CN), b"")

    dialog = parse_dialog(only(RT_DIALOG, 102))
    for field, expected in EXPECTED_DIALOG.items():
        check("dialog 102 " + field, dialog[field], expected)

    for ident, size in EXPECTED_BITMAPS.items():
        header = only(RT_BITMAP, ident)
        width, height, _planes, bits = struct.unpack_from("<iiHH", header, 4)
        check("bitmap %d width, height, bits" % ident, (width, abs(height), bits), size + (24,))

    for ident, size in EXPECTED_PICTURE_SETS.items():
        png = only(RT_RCDATA, ident)
        check("picture %d is a PNG file" % ident, png[:8], b"\x89PNG\r\n\x1a\n")
        if png[12:16] == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", png, 16)
            check("picture %d width, height, bits, colour type (RGB)" % ident,
                  (width, height, depth, colour), size + (8, 2))
    rcdata = sorted(n for (t, n, _l) in resources if t == RT_RCDATA)
    check("RCDATA resources (the pictures of the larger scales)", rcdata, sorted(EXPECTED_PICTURE_SETS))

    group = only(RT_GROUP_ICON, 128)
    count = struct.unpack_from("<H", group, 4)[0]
    images = set()
    for i in range(count):
        width, _height, _colors, _r, _planes, bits = struct.unpack_from("<BBBBHH", group, 6 + 14 * i)
        images.add((width or 256, bits))
    check("icon 128 images (size, bits)", images, EXPECTED_ICON_IMAGES)

    manifest = [data for (t, n, _l), data in resources.items() if (t, n) == (RT_MANIFEST, 1)]
    check("manifests with identifier 1", len(manifest), 1)
    if manifest:
        root = ET.fromstring(manifest[0])
        levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
        check("requested execution level", levels, ["requireAdministrator"])
        trust = [e.tag for e in root if e.tag.endswith("}trustInfo")]
        check("trustInfo namespace (Windows XP accepts asm.v2)", trust,
              ["{urn:schemas-microsoft-com:asm.v2}trustInfo"])
        aware = [(e.tag, e.text) for e in root.iter() if e.tag.endswith("}dpiAware")]
        check("declared DPI-aware for the system DPI", aware,
              [("{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware", "true")])
        settings = [e.tag for e in root if e.tag.endswith("}application")]
        check("application settings namespace (Windows XP skips asm.v3, refuses asm.v1)", settings,
              ["{urn:schemas-microsoft-com:asm.v3}application"])
        oses = {e.get("Id") for e in root.iter() if e.tag.endswith("}supportedOS")}
        check("supported systems", oses, SUPPORTED_OS)
        identity = [(e.get("version"), e.get("processorArchitecture"))
                    for e in root if e.tag.endswith("}assemblyIdentity")]
        check("manifest version and processor", identity,
              [(version_text, MANIFEST_ARCHITECTURES[architecture])])

    version = only(RT_VERSION, 1)
    check("fixed version record", struct.unpack_from("<I", version, 40)[0], 0xFEEF04BD)
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", version, 48)
    for what, (ms, ls) in (("file", (file_ms, file_ls)), ("product", (product_ms, product_ls))):
        check("fixed %s version" % what, (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF),
              tuple(int(n) for n in version_text.split(".")))
    text = version.decode("utf-16-le", errors="replace")
    for key, value in (("ProductName", "Tirox网络优化"), ("FileDescription", "Tirox网络优化"),
                       ("FileVersion", version_text), ("ProductVersion", version_text)):
        at = text.find(key + "\0")
        check("version value " + key, value in text[at:at + 80] if at >= 0 else False, True)
    check("version string table language", "080404b0" in text or "080404B0" in text, True)

    for failure in failures:
        print("FAIL " + failure)
    if not failures:
        print("%s resources as described: dialog 102, bitmaps %s, pictures %s, icon 128, manifest for %s, version %s"
              % (architecture, sorted(EXPECTED_BITMAPS), sorted(EXPECTED_PICTURE_SETS),
                 MANIFEST_ARCHITECTURES[architecture], version_text))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4 or sys.argv[1] not in ARCHITECTURES:
        sys.exit("usage: check_resources.py win32|win64 TiroxOptimize.exe VERSION")
    sys.exit(main(*sys.argv[1:]))
