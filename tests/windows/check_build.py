#!/usr/bin/env python3
# Checks a Windows executable of the build: its machine type, that it imports only DLLs that every
# Windows has (objdump -p lists them; a runtime DLL such as libstdc++-6.dll or libwinpthread-1.dll
# means the static link failed), and that its version resource carries the expected version in
# both its fixed part and its FileVersion text. With --small (a size-optimised build) also that it
# stays under 1.5 MB: the C++ runtime's locale support, brought in by any stream or
# std::filesystem path in the linked code, would take it over. With --gui also that it is a GUI program with an
# icon and a manifest that asks for elevation and declares DPI awareness.
# Usage: check_build.py OBJDUMP EXE i686|x86_64 VERSION [--gui] [--small]
import re
import struct
import subprocess
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll", "version.dll",
               "lz32.dll", "msvcrt.dll", "shlwapi.dll", "ws2_32.dll", "winmm.dll"}
MACHINES = {"i686": 0x14C, "x86_64": 0x8664}
RT_VERSION = 16
RT_GROUP_ICON = 14
RT_MANIFEST = 24
SUBSYSTEM_GUI = 2
MAX_BYTES = 1_500_000


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections = struct.unpack_from("<HH", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(size, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} is in no section")

    def resource(self, kind):
        """The bytes of the first resource of a type (first name, first language)."""
        base = self.offset(self.resource_rva)
        entry = self._entry(base, base, kind)
        for _ in range(2):  # name, then language: the first of each
            entry = self._entry(base, base + (entry & 0x7FFFFFFF), None)
        rva, size = struct.unpack_from("<II", self.data, base + entry)
        return self.data[self.offset(rva):self.offset(rva) + size]

    def _entry(self, base, directory, wanted):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return target
        raise ValueError(f"no resource of type {wanted}")


def version_strings(block):
    """The fixed file version and the StringFileInfo texts of a VS_VERSIONINFO block."""
    fixed = block.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        raise ValueError("no VS_FIXEDFILEINFO")
    ms, ls = struct.unpack_from("<II", block, fixed + 8)
    fixed_version = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    text = block.decode("utf-16-le", errors="replace")
    strings = dict(re.findall(r"(FileVersion|ProductVersion|ProductName)\0+([^\0]+)\0", text))
    return fixed_version, strings


def main():
    objdump, exe, arch, version = sys.argv[1:5]
    problems = []
    with open(exe, "rb") as f:
        pe = Pe(f.read())
    if "--small" in sys.argv[5:] and len(pe.data) > MAX_BYTES:
        problems.append(f"{len(pe.data):,} bytes, more than {MAX_BYTES:,}")
    if pe.machine != MACHINES[arch]:
        problems.append(f"machine type {pe.machine:#x}, expected {MACHINES[arch]:#x} ({arch})")

    listing = subprocess.run([objdump, "-p", exe], capture_output=True, text=True, check=True).stdout
    dlls = sorted({m.lower() for m in re.findall(r"DLL Name: (\S+)", listing)})
    extra = [d for d in dlls if d not in SYSTEM_DLLS]
    if extra:
        problems.append("imports DLLs that not every Windows has: " + ", ".join(extra))

    strings = {}
    try:
        fixed, strings = version_strings(pe.resource(RT_VERSION))
        if fixed != version:
            problems.append(f"fixed file version {fixed}, expected {version}")
        if strings.get("FileVersion") != version:
            problems.append(f"FileVersion text {strings.get('FileVersion')!r}, expected {version!r}")
    except ValueError as error:
        problems.append(f"no readable version resource ({error})")

    if "--gui" in sys.argv[5:]:
        if pe.subsystem != SUBSYSTEM_GUI:
            problems.append(f"subsystem {pe.subsystem}, expected the GUI subsystem")
        try:
            pe.resource(RT_GROUP_ICON)
            manifest = pe.resource(RT_MANIFEST).decode("utf-8", errors="replace")
            for wanted in ('level="requireAdministrator"', ">true</dpiAware>"):
                if wanted not in manifest:
                    problems.append(f"the manifest lacks {wanted}")
        except ValueError as error:
            problems.append(f"no icon or manifest ({error})")

    print(f"{exe}: {arch}, {len(pe.data):,} bytes, {len(dlls)} DLLs imported: {', '.join(dlls)}; "
          f"FileVersion {strings.get('FileVersion')}")
    for problem in problems:
        print(f"{exe}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
