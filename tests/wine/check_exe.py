#!/usr/bin/env python3
"""What can be checked of DORVAN.exe without running it: its machine (i386 or amd64),
that it imports Windows' own DLLs only, and that it asks for ASLR and DEP.

  check_exe.py DORVAN.exe i386|amd64
"""
import struct
import sys

MACHINES = {"i386": (0x14C, 0x10B), "amd64": (0x8664, 0x20B)}
# What ships with every Windows DORVAN runs on; anything else would have to be installed.
WINDOWS_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll", "advapi32.dll",
                "comctl32.dll", "shell32.dll", "ole32.dll", "uxtheme.dll", "ntdll.dll",
                "ws2_32.dll", "crypt32.dll", "mswsock.dll"}
DYNAMIC_BASE, HIGH_ENTROPY_VA, NX_COMPAT = 0x0040, 0x0020, 0x0100


class PE:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        at = struct.unpack_from("<I", data, 0x3C)[0]
        if data[at:at + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, at + 4)
        self.optional = at + 24
        self.magic = struct.unpack_from("<H", data, self.optional)[0]
        self.dll_characteristics = struct.unpack_from("<H", data, self.optional + 70)[0]
        directories = self.optional + (96 if self.magic == 0x10B else 112)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def name_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        names, at = [], self.offset(self.import_rva) if self.import_rva else None
        while at is not None:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or thunks):
                break
            names.append(self.name_at(name))
            at += 20
        return names


def check(path, arch):
    with open(path, "rb") as f:
        pe = PE(f.read())
    machine, magic = MACHINES[arch]
    failures = []
    if (pe.machine, pe.magic) != (machine, magic):
        failures.append(f"machine {pe.machine:#x} with optional header {pe.magic:#x}, not {arch}")
    foreign = [n for n in pe.imported_dlls() if n.lower() not in WINDOWS_DLLS]
    if foreign:
        failures.append(f"imports DLLs that are not Windows' own: {', '.join(foreign)}")
    wanted = {"DYNAMIC_BASE": DYNAMIC_BASE, "NX_COMPAT": NX_COMPAT}
    if arch == "amd64":
        wanted["HIGH_ENTROPY_VA"] = HIGH_ENTROPY_VA
    for name, bit in wanted.items():
        if not pe.dll_characteristics & bit:
            failures.append(f"{name} is not set")
    return pe, failures


def main(path, arch):
    pe, failures = check(path, arch)
    for line in failures:
        print("FAIL:", line)
    print(f"{path}: {arch}, imports {', '.join(pe.imported_dlls())}: {'FAILED' if failures else 'ok'}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in MACHINES:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
