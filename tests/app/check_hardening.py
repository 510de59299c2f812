#!/usr/bin/env python3
"""Reads the defences of TiroxOptimize.exe from its PE file and its link map: address space
randomisation with a relocation table to do it with, no execution of data, terminal-server aware,
no section both writable and executable, stack cookies (the stack protector's runtime linked in
and its check called from the program's code) and fortified calls (libssp's checking variants of
string and memory calls called from it).
Usage: check_hardening.py TiroxOptimize.exe TiroxOptimize.map"""

import re
import struct
import sys

DYNAMIC_BASE, NX_COMPAT, TERMINAL_SERVER_AWARE = 0x0040, 0x0100, 0x8000
RELOCS_STRIPPED = 0x0001
SCN_MEM_EXECUTE, SCN_MEM_WRITE = 0x20000000, 0x80000000
BASE_RELOCATION_DIRECTORY = 5
REL_BASED_HIGHLOW = 3
CALL_REL32 = 0xE8


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
        count, optional_size, self.characteristics = struct.unpack_from("<H12xHH", data, pe + 6)
        optional = pe + 24
        assert struct.unpack_from("<H", data, optional)[0] == 0x10B, "not a 32-bit image"
        self.entry_point = struct.unpack_from("<I", data, optional + 16)[0]
        self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, optional + 70)[0]
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(struct.unpack_from("<I", data, optional + 92)[0])]
        table = optional + optional_size
        self.sections = []
        for i in range(count):
            name, vsize, va, raw_size, raw = struct.unpack_from("<8s4I", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, raw_size), raw, raw_size, flags))

    def section(self, name):
        return next(s for s in self.sections if s[0] == name)

    def read(self, rva, size):
        for _, va, vsize, raw, raw_size, _ in self.sections:
            if va <= rva < va + vsize:
                return self.data[raw + rva - va:raw + min(rva - va + size, raw_size)]
        raise ValueError("address outside every section: %#x" % rva)

    def relocated_addresses(self):
        """The number of 32-bit addresses the base relocation table fixes up."""
        rva, size = self.directories[BASE_RELOCATION_DIRECTORY]
        table, count, at = self.read(rva, size) if size else b"", 0, 0
        while at + 8 <= len(table):
            block_size = struct.unpack_from("<I", table, at + 4)[0]
            if block_size < 8:
                break
            entries = struct.unpack_from("<%dH" % ((block_size - 8) // 2), table, at + 8)
            count += sum(1 for e in entries if e >> 12 == REL_BASED_HIGHLOW)
            at += block_size
        return count

    def calls_to(self, address):
        """The number of call instructions in .text that go to the address."""
        name, va, _, raw, raw_size, _ = self.section(".text")
        code = self.data[raw:raw + raw_size]
        found = 0
        for at in range(len(code) - 4):
            if code[at] == CALL_REL32:
                target = self.image_base + va + at + 5 + struct.unpack_from("<i", code, at + 1)[0]
                found += target & 0xFFFFFFFF == address
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
    image = Image(open(sys.argv[1], "rb").read())
    symbols = map_symbols(open(sys.argv[2], encoding="utf-8", errors="replace").read())
    failures = []

    def check(ok, what):
        print(("ok: " if ok else "FAIL: ") + what)
        if not ok:
            failures.append(what)

    def symbol(name):
        return symbols.get(name, (None, ""))

    entry, _ = symbol("WinMainCRTStartup")
    check(entry == image.image_base + image.entry_point,
          "the link map is this program's: its entry point %#x is the map's WinMainCRTStartup" %
          (image.image_base + image.entry_point))
    flags = image.dll_characteristics
    for bit, name in ((DYNAMIC_BASE, "DYNAMIC_BASE"), (NX_COMPAT, "NX_COMPAT"),
                      (TERMINAL_SERVER_AWARE, "TERMINAL_SERVER_AWARE")):
        check(flags & bit, "DllCharacteristics %#06x has %s" % (flags, name))
    relocated = image.relocated_addresses()
    check(not image.characteristics & RELOCS_STRIPPED and relocated > 0,
          "relocations kept: the base relocation table fixes up %d addresses" % relocated)
    both = [s[0] for s in image.sections if s[5] & SCN_MEM_WRITE and s[5] & SCN_MEM_EXECUTE]
    check(not both, "no section both writable and executable (%s)" % (", ".join(both) or "none"))

    fail_address, fail_source = symbol("__stack_chk_fail")
    guard_address, guard_source = symbol("__stack_chk_guard")
    check(fail_address is not None and "libssp" in fail_source and "libssp" in guard_source,
          "the stack protector's runtime is linked in: __stack_chk_fail from %s, __stack_chk_guard from %s"
          % (fail_source or "nowhere", guard_source or "nowhere"))
    calls = image.calls_to(fail_address) if fail_address is not None else 0
    check(calls > 0, "the program's code checks its stack cookies: %d calls to __stack_chk_fail" % calls)

    # Fortified calls go to libssp's checking variants where the compiler knows the buffer's size.
    fortified = {name: image.calls_to(address) for name, (address, source) in symbols.items()
                 if re.fullmatch(r"__\w+_chk", name) and name != "__stack_chk_fail" and "libssp" in source}
    called = ", ".join("%s (%d calls)" % item for item in sorted(fortified.items()) if item[1]) or "none"
    check(any(fortified.values()), "fortified string and memory calls in the code: %s" % called)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
