"""The headers and sections of a Windows executable, 32-bit (PE32) or 64-bit (PE32+), as the
checks of the built program read them."""

import struct

# What the file of each Windows build must say it is: its machine and its optional header.
ARCHITECTURES = {"win32": (0x014C, 0x10B), "win64": (0x8664, 0x20B)}
PE32_PLUS = 0x20B


class PeImage:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, count = struct.unpack_from("<HH", data, pe + 4)
        optional_size, self.characteristics = struct.unpack_from("<HH", data, pe + 20)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.is_64_bit = self.magic == PE32_PLUS
        self.entry_point = struct.unpack_from("<I", data, optional + 16)[0]
        # PE32+ widens the image base to 64 bits and drops BaseOfData before it, and widens the
        # four stack and heap sizes, which moves the data directories 16 bytes further on.
        if self.is_64_bit:
            self.image_base = struct.unpack_from("<Q", data, optional + 24)[0]
            directories_at = optional + 112
        else:
            self.image_base = struct.unpack_from("<I", data, optional + 28)[0]
            directories_at = optional + 96
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directory_count = struct.unpack_from("<I", data, directories_at - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories_at + 8 * i)
                            for i in range(directory_count)]
        table = optional + optional_size
        self.sections = []
        for i in range(count):
            name, vsize, va, raw_size, raw = struct.unpack_from("<8s4I", data, table + 40 * i)
            flags = struct.unpack_from("<I", data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, raw_size), raw, raw_size, flags))

    def architecture(self):
        """"win32" or "win64" when machine and optional header agree on one, else what they say."""
        for name, kind in ARCHITECTURES.items():
            if (self.machine, self.magic) == kind:
                return name
        return "machine %#06x with optional header %#05x" % (self.machine, self.magic)

    def section(self, name):
        return next(s for s in self.sections if s[0] == name)

    def offset(self, rva):
        """Where in the file the byte at the address lies."""
        for _, va, vsize, raw, _, _ in self.sections:
            if va <= rva < va + vsize:
                return raw + rva - va
        raise ValueError("address outside every section: %#x" % rva)

    def read(self, rva, size):
        for _, va, vsize, raw, raw_size, _ in self.sections:
            if va <= rva < va + vsize:
                return self.data[raw + rva - va:raw + min(rva - va + size, raw_size)]
        raise ValueError("address outside every section: %#x" % rva)
