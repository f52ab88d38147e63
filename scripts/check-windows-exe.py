#!/usr/bin/env python3
"""Checks a built OVXExtractor.exe without running it, for hosts that cannot run it.

    check-windows-exe.py EXE x86|x86_64

Checks that it is a PE32 (x86) or PE32+ (x86_64) Windows GUI program, that it imports
only system DLLs (one self-contained file), and that it carries its resources: the main
and progress dialogs, the string table, the icon, the version block and a manifest whose
two assembly identities both name its processor. Exits 1 naming every failed check.
"""
import re
import struct
import sys

MACHINES = {"x86": (0x14C, 0x10B, "x86"), "x86_64": (0x8664, 0x20B, "amd64")}
RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 5, 6, 14, 16, 24
IDD_MAIN, IDD_PROGRESS, IDI_APP = 9, 201, 128
# DLLs every Windows has; a MinGW runtime DLL (libstdc++, libgcc, libwinpthread) is not one.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "user32.dll"}


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.directory = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address 0x%x outside every section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def imports(self):
        rva, _ = self.directory[1]
        names, at = [], self.offset(rva)
        while True:
            descriptor = struct.unpack_from("<IIIII", self.data, at)
            if not any(descriptor):
                return names
            names.append(self.c_string(descriptor[3]))
            at += 20

    def resources(self):
        """{type: {id: [data bytes per language]}} for numeric types and ids."""
        if not self.directory[2][0]:
            return {}
        base = self.offset(self.directory[2][0])

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, base + at + 12)
            for i in range(named + numbered):
                key, value = struct.unpack_from("<II", self.data, base + at + 16 + 8 * i)
                yield key, value

        tree = {}
        for kind, types in entries(0):
            for ident, languages in entries(types & 0x7FFFFFFF):
                for _, leaf in entries(languages & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    blob = self.data[self.offset(rva):self.offset(rva) + size]
                    tree.setdefault(kind, {}).setdefault(ident, []).append(blob)
        return tree


def check(path, arch):
    machine, magic, manifest_arch = MACHINES[arch]
    image = Image(open(path, "rb").read())
    failures = []

    def expect(ok, what):
        if not ok:
            failures.append(what)

    expect(image.machine == machine, "machine 0x%x, not 0x%x" % (image.machine, machine))
    expect(image.magic == magic, "optional header 0x%x, not %s" % (image.magic, "PE32+" if magic == 0x20B else "PE32"))
    expect(image.subsystem == 2, "subsystem %d, not Windows GUI (2)" % image.subsystem)
    foreign = [name for name in image.imports() if name.lower() not in SYSTEM_DLLS]
    expect(not foreign, "imports DLLs that are not the system's: %s" % ", ".join(foreign))

    resources = image.resources()
    for kind, ident, what in [(RT_DIALOG, IDD_MAIN, "main dialog"), (RT_DIALOG, IDD_PROGRESS, "progress dialog"),
                              (RT_GROUP_ICON, IDI_APP, "application icon"), (RT_VERSION, 1, "version block"),
                              (RT_MANIFEST, 1, "manifest")]:
        expect(ident in resources.get(kind, {}), "no %s (resource type %d, id %d)" % (what, kind, ident))
    expect(RT_STRING in resources, "no string table")
    expect(RT_ICON in resources, "no icon images")
    manifest = b"".join(resources.get(RT_MANIFEST, {}).get(1, [b""])).decode("utf-8", "replace")
    named = re.findall(r'processorArchitecture="([^"]*)"', manifest)
    expect(named == [manifest_arch] * 2,
           "manifest names processors %s, not %s twice" % (named, manifest_arch))
    expect(re.search(r'<activeCodePage[^>]*>UTF-8</activeCodePage>', manifest) is not None,
           "manifest does not ask for UTF-8 as the ANSI code page")
    return failures


def main():
    if len(sys.argv) != 3 or sys.argv[2] not in MACHINES:
        sys.exit(__doc__.strip().splitlines()[2].strip())
    path, arch = sys.argv[1], sys.argv[2]
    try:
        failures = check(path, arch)
    except (OSError, ValueError, struct.error) as error:
        failures = ["cannot be read as a Windows program: %s" % error]
    for failure in failures:
        print("check-windows-exe: %s: %s" % (path, failure), file=sys.stderr)
    if failures:
        sys.exit(1)
    print("check-windows-exe: %s: %s GUI program, system DLLs only, dialogs, strings, icon, version, manifest (%s)"
          % (path, "PE32+" if arch == "x86_64" else "PE32", MACHINES[arch][2]))


if __name__ == "__main__":
    main()
