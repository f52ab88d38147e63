#!/usr/bin/env python3
"""Checks an OVXExtractor installer's tables without installing it (msiinfo).

    check-msi.py MSI ARCH VERSION     ARCH: x86 or x86_64

What it installs: the two programs in Program Files\\OVXExtractor (the 64-bit folder
and 64-bit components for x86_64), one ordinary (not advertised) Start-menu shortcut to
OVXExtractor.exe; the product's version, icon and upgrade code; newer versions replace
older ones and a downgrade is refused; and nothing else: no registry values, file
types, environment changes, services or custom actions.
"""
import concurrent.futures
import os
import subprocess
import sys
import tempfile

# Never changes: it ties every version of the product together for upgrades.
UPGRADE_CODE = "{3D4AB468-79E5-4FF3-8B81-B511AD2DCD35}"
PROGRAMS = {"OVXExtractor.exe", "ovx-extract.exe"}
# Tables that must hold no row: anything an installer could leave beyond files and the shortcut.
NOTHING_ELSE = ["Registry", "RemoveRegistry", "Environment", "Extension", "ProgId", "Verb", "MIME", "Class",
                "TypeLib", "IniFile", "ServiceInstall", "ServiceControl", "CustomAction", "CreateFolder",
                "RemoveFile", "DuplicateFile", "MoveFile", "Font", "SelfReg", "PublishComponent"]


def msiinfo(*args):
    # Exporting a table with a binary column writes its streams into the current folder.
    with tempfile.TemporaryDirectory() as scratch:
        return subprocess.run(["msiinfo", *args], check=True, capture_output=True, text=True, cwd=scratch).stdout


def tables(msi, names):
    """{name: rows} for the named tables, each row a dict by column name; no rows for a
    table the package does not have. One msiinfo per table, all at once."""
    present = set(msiinfo("tables", msi).split())

    def rows(name):
        if name not in present:
            return []
        lines = msiinfo("export", msi, name).replace("\r\n", "\n").split("\n")
        columns = lines[0].split("\t")
        return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]

    with concurrent.futures.ThreadPoolExecutor(len(names)) as pool:
        return dict(zip(names, pool.map(rows, names)))


def long_name(name):
    return name.split("|")[-1]


def check(msi, arch, version):
    problems = []
    expect = lambda ok, what: ok or problems.append(what)
    win64 = arch == "x86_64"
    db = tables(msi, ["Property", "Icon", "Directory", "File", "Component", "Shortcut", "Upgrade", "LaunchCondition",
                      *NOTHING_ELSE])
    get = db.__getitem__

    template = [l.split(": ", 1)[1] for l in msiinfo("suminfo", msi).splitlines() if l.startswith("Template: ")]
    expect(template == ["x64;1033" if win64 else "Intel;1033"], "platform and language %s" % template)

    props = {row["Property"]: row["Value"] for row in get("Property")}
    expect(props.get("ProductVersion") == version, "ProductVersion %s, not %s" % (props.get("ProductVersion"), version))
    expect(props.get("UpgradeCode") == UPGRADE_CODE, "UpgradeCode %s" % props.get("UpgradeCode"))
    expect(props.get("ALLUSERS") == "1", "not a per-machine package")
    icons = {row["Name"] for row in get("Icon")}
    expect(props.get("ARPPRODUCTICON") in icons, "ARPPRODUCTICON %s is not in the Icon table" % props.get("ARPPRODUCTICON"))

    dirs = {row["Directory"]: row for row in get("Directory")}
    program_files = "ProgramFiles64Folder" if win64 else "ProgramFilesFolder"
    files = {row["File"]: row for row in get("File")}
    names = {long_name(row["FileName"]) for row in files.values()}
    expect(names == PROGRAMS, "files %s" % sorted(names))
    components = {row["Component"]: row for row in get("Component")}
    for file in files.values():
        component = components.get(file["Component_"], {})
        folder = dirs.get(component.get("Directory_"), {})
        expect(long_name(folder.get("DefaultDir", "")) == "OVXExtractor" and
               folder.get("Directory_Parent") == program_files,
               "%s is not installed in %s\\OVXExtractor" % (long_name(file["FileName"]), program_files))
    for name, component in components.items():
        expect(bool(int(component["Attributes"]) & 256) == win64,
               "component %s is %s-bit" % (name, "32" if win64 else "64"))

    shortcuts = get("Shortcut")
    app_file = [key for key, row in files.items() if long_name(row["FileName"]) == "OVXExtractor.exe"]
    expect(len(shortcuts) == 1, "%d shortcuts" % len(shortcuts))
    for shortcut in shortcuts:
        expect(shortcut["Directory_"] == "ProgramMenuFolder", "the shortcut is in %s" % shortcut["Directory_"])
        # An advertised shortcut names a feature instead of the file.
        expect(shortcut["Target"] == "[#%s]" % app_file[0] if app_file else False,
               "the shortcut's target is %s, not the installed OVXExtractor.exe" % shortcut["Target"])

    upgrades = [row for row in get("Upgrade") if row["UpgradeCode"] == UPGRADE_CODE]
    removes_older = [row for row in upgrades if row["VersionMax"] == version and not int(row["Attributes"]) & 2]
    detects_newer = [row for row in upgrades if row["VersionMin"] == version and int(row["Attributes"]) & 2]
    refused = {row["Condition"] for row in get("LaunchCondition")}
    expect(removes_older, "an older version is not removed")
    expect(detects_newer and "NOT %s" % detects_newer[0]["ActionProperty"] in refused, "a downgrade is not refused")

    for name in NOTHING_ELSE:
        rows = get(name)
        expect(not rows, "the %s table has %d row(s)" % (name, len(rows)))
    return problems


def main():
    if len(sys.argv) != 4 or sys.argv[2] not in ("x86", "x86_64"):
        sys.exit("usage: check-msi.py MSI x86|x86_64 VERSION")
    try:
        problems = check(os.path.abspath(sys.argv[1]), *sys.argv[2:])
    except subprocess.CalledProcessError as e:
        problems = ["msiinfo %s: %s" % (" ".join(e.cmd[1:2]), e.stderr.strip())]
    for problem in problems:
        print("check-msi: %s: %s" % (sys.argv[1], problem), file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
