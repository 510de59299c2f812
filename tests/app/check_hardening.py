#!/usr/bin/env python3
"""Reads the defences of TiroxOptimize.exe from its PE file and its link map: address space
randomisation with a relocation table to do it with, no execution of data, terminal-server aware,
no section both writable and executable, stack cookies (the stack protector's runtime linked in
and its check called from the program's code) and fortified calls (libssp's checking variants of
string and memory calls called from it). The 64-bit program's randomisation also uses the whole
64-bit address space. The file must be of the build named: win32 or win64.
Usage: check_hardening.py win32|win64 TiroxOptimize.exe TiroxOptimize.map"""

import re
import struct
import sys

# The checks run from the source tree; they leave no compiled copy of pe_image in it.
sys.dont_write_bytecode = True
from pe_image import ARCHITECTURES, PeImage

HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE = 0x0020, 0x0040, 0x0100, 0x8000
RELOCS_STRIPPED, LARGE_ADDRESS_AWARE = 0x0001, 0x0020
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000
BASE_RELOCATION_DIRECTORY, TLS_DIRECTORY = 5, 9
# An absolute address is 32 bits in a 32-bit program and 64 in a 64-bit one; the relocation
# table says which it fixes up.
REL_BASED_HIGHLOW, REL_BASED_DIR64 = 3, 10
CALL_REL32 = 0xE8


def relocated_addresses(image):
    """The addresses of the absolute addresses the base relocation table fixes up."""
    kind = REL_BASED_DIR64 if image.is_64_bit else REL_BASED_HIGHLOW
    rva, size = image.directories[BASE_RELOCATION_DIRECTORY]
    table, found, at = image.read(rva, size) if size else b"", set(), 0
    while at + 8 <= len(table):
        page, block_size = struct.unpack_from("<II", table, at)
        if block_size < 8:
            break
        entries = struct.unpack_from("<%dH" % ((block_size - 8) // 2), table, at + 8)
        found.update(page + (e & 0xFFF) for e in entries if e >> 12 == kind)
        at += block_size
    return found


def tls_addresses(image):
    """Where the TLS directory keeps its four absolute addresses (data start and end, the index,
    the callbacks), which the loader reads as they stand after relocation."""
    rva, size = image.directories[TLS_DIRECTORY] if len(image.directories) > TLS_DIRECTORY else (0, 0)
    width = 8 if image.is_64_bit else 4
    return {rva + width * i for i in range(4)} if size else set()


def calls_to(image, address):
    """The number of call instructions in .text that go to the address: E8 and a 32-bit
    displacement from the next instruction, in both 32- and 64-bit code."""
    _, va, _, raw, raw_size, _ = image.section(".text")
    code = image.data[raw:raw + raw_size]
    mask = (1 << 64) - 1 if image.is_64_bit else 0xFFFFFFFF
    found = 0
    for at in range(len(code) - 4):
        if code[at] == CALL_REL32:
            target = image.image_base + va + at + 5 + struct.unpack_from("<i", code, at + 1)[0]
            found += target & mask == address
    return found


def map_symbols(text):
    """{symbol: (address, the object file it comes from)} from a GNU ld link map."""
    symbols, source = {}, ""
    for line in text.splitlines():
        contribution = re.match(r"^ \.\S+\s+0x([0-9a-f]+)\s+0x[0-9a-f]+\s+(\S.*)$", line)
        if contribution:
            source = contribution.group(2)
            continue
        symbol = re.match(r"^\s+0x([0-9a-f]+)\s+([A-Za-z_.$@?][\w.$@?]*)$", line)
        if symbol:
            symbols.setdefault(symbol.group(2), (int(symbol.group(1), 16), source))
    return symbols


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ARCHITECTURES:
        sys.exit("usage: check_hardening.py win32|win64 TiroxOptimize.exe TiroxOptimize.map")
    architecture = sys.argv[1]
    image = PeImage(open(sys.argv[2], "rb").read())
    # GNU ld writes the names in the map as the source spells them in both builds: the leading
    # underscore of the 32-bit build's symbols is left out, and the 64-bit build has none.
    symbols = map_symbols(open(sys.argv[3], encoding="utf-8", errors="replace").read())
    failures = []

    def check(ok, what):
        print(("ok: " if ok else "FAIL: ") + what)
        if not ok:
            failures.append(what)

    def symbol(name):
        return symbols.get(name, (None, ""))

    check(image.architecture() == architecture,
          "the program is the %s build: %s" % (architecture, image.architecture()))
    entry, _ = symbol("WinMainCRTStartup")
    check(entry == image.image_base + image.entry_point,
          "the link map is this program's: its entry point %#x is the map's WinMainCRTStartup" %
          (image.image_base + image.entry_point))
    flags = image.dll_characteristics
    wanted = [(DYNAMIC_BASE, "DYNAMIC_BASE"), (NX_COMPAT, "NX_COMPAT"),
              (TERMINAL_SERVER_AWARE, "TERMINAL_SERVER_AWARE")]
    if architecture == "win64":
        wanted.append((HIGH_ENTROPY_VA, "HIGH_ENTROPY_VA"))
    for bit, name in wanted:
        check(flags & bit, "DllCharacteristics %#06x has %s" % (flags, name))
    if architecture == "win64":
        # High-entropy randomisation places the program anywhere in the 64-bit address space,
        # which it does only for a program that says it can take addresses above 2 GB.
        check(image.characteristics & LARGE_ADDRESS_AWARE,
              "Characteristics %#06x has LARGE_ADDRESS_AWARE" % image.characteristics)
    # 64-bit code reaches its data relative to the instruction pointer, so it has far fewer
    # absolute addresses than 32-bit code: what both must have relocated is the TLS directory's,
    # which every mingw-w64 program has and the loader itself reads.
    relocated = relocated_addresses(image)
    tls = tls_addresses(image)
    check(not image.characteristics & RELOCS_STRIPPED and tls and tls <= relocated,
          "relocations kept: the base relocation table fixes up %d addresses, the TLS directory's %d among them"
          % (len(relocated), len(tls & relocated)))
    both = [s[0] for s in image.sections if s[5] & SCN_MEM_WRITE and s[5] & SCN_MEM_EXECUTE]
    check(not both, "no section both writable and executable (%s)" % (", ".join(both) or "none"))

    fail_address, fail_source = symbol("__stack_chk_fail")
    guard_address, guard_source = symbol("__stack_chk_guard")
    check(fail_address is not None and "libssp" in fail_source and "libssp" in guard_source,
          "the stack protector's runtime is linked in: __stack_chk_fail from %s, __stack_chk_guard from %s"
          % (fail_source or "nowhere", guard_source or "nowhere"))
    calls = calls_to(image, fail_address) if fail_address is not None else 0
    check(calls > 0, "the program's code checks its stack cookies: %d calls to __stack_chk_fail" % calls)

    # Fortified calls go to libssp's checking variants where the compiler knows the buffer's size.
    fortified = {name: calls_to(image, address) for name, (address, source) in symbols.items()
                 if re.fullmatch(r"__\w+_chk", name) and name != "__stack_chk_fail" and "libssp" in source}
    called = ", ".join("%s (%d calls)" % item for item in sorted(fortified.items()) if item[1]) or "none"
    check(any(fortified.values()), "fortified string and memory calls in the code: %s" % called)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
