#!/usr/bin/env python3
"""Checks a built program and its skinning library: the machine type of both, that the
library exports exactly ordinals 1, 2, 4 and 8 without names, and that the program
imports the library by ordinal and nothing outside the allowed system DLLs."""
import struct
import sys

MACHINES = {"i386": 0x14C, "amd64": 0x8664}
# DLLs the system loads from its own folder (known DLLs and the C runtime it ships).
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
                   "ole32.dll", "oleaut32.dll", "ws2_32.dll", "msvcrt.dll", "skinmagic.dll"}


class Pe:
    def __init__(self, path):
        self.path = path
        self.data = open(path, "rb").read()
        d = self.data
        if d[:2] != b"MZ":
            raise SystemExit(f"{path}: not an MZ file")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise SystemExit(f"{path}: no PE header")
        self.machine, nsect = struct.unpack_from("<HH", d, pe + 4)
        opt_size = struct.unpack_from("<H", d, pe + 20)[0]
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(16)]
        sect = opt + opt_size
        self.sections = []
        for i in range(nsect):
            vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", d, sect + 40 * i + 8)
            self.sections.append((va, max(vsize, rawsize), rawptr))

    def off(self, rva):
        for va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise SystemExit(f"{self.path}: RVA {rva:#x} outside every section")

    def cstr(self, rva):
        o = self.off(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("ascii")

    def imports(self):
        rva, size = self.dirs[1]
        result = {}
        o = self.off(rva)
        thunk_size = 4 if self.magic == 0x10B else 8
        flag = 1 << (thunk_size * 8 - 1)
        while True:
            orig, _, _, name, first = struct.unpack_from("<IIIII", self.data, o)
            if name == 0:
                break
            entries = []
            t = self.off(orig or first)
            while True:
                v = struct.unpack_from("<I" if thunk_size == 4 else "<Q", self.data, t)[0]
                if v == 0:
                    break
                entries.append(("ordinal", v & 0xFFFF) if v & flag else ("name", self.cstr(v + 2)))
                t += thunk_size
            result[self.cstr(name).lower()] = entries
            o += 20
        return result

    def exports(self):
        rva, size = self.dirs[0]
        o = self.off(rva)
        base, nfunc, nnames = struct.unpack_from("<III", self.data, o + 16)
        funcs = struct.unpack_from("<III", self.data, o + 28)[0]
        ordinals = [base + i for i in range(nfunc)
                    if struct.unpack_from("<I", self.data, self.off(funcs) + 4 * i)[0]]
        return ordinals, nnames


def main():
    exe, dll = sys.argv[1], sys.argv[2]
    machine = MACHINES[sys.argv[sys.argv.index("--machine") + 1]]
    errors = []
    program, library = Pe(exe), Pe(dll)
    for pe in (program, library):
        if pe.machine != machine:
            errors.append(f"{pe.path}: machine {pe.machine:#x}, expected {machine:#x}")
    ordinals, nnames = library.exports()
    if sorted(ordinals) != [1, 2, 4, 8] or nnames != 0:
        errors.append(f"{dll}: exports ordinals {ordinals} with {nnames} names; expected 1, 2, 4, 8 without names")
    imports = program.imports()
    for name in imports:
        if name not in ALLOWED_IMPORTS:
            errors.append(f"{exe}: imports {name}, which is not a system-folder DLL")
    skin = imports.get("skinmagic.dll", [])
    if sorted(skin) != [("ordinal", n) for n in (1, 2, 4, 8)]:
        errors.append(f"{exe}: imports {skin} from SkinMagic.dll; expected ordinals 1, 2, 4, 8")
    if errors:
        print("\n".join(errors))
        return 1
    size = len(program.data)
    print(f"{exe}: machine ok, imports {sorted(imports)}, {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
