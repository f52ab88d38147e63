#!/usr/bin/env python3
"""Set-up's decisions against a mirror that misbehaves, with nothing real touched.

scripts/setup.sh runs from a copy beside a stub kernel probe, with stub apt-get, dpkg,
dpkg-query, id and sleep first on PATH. The stubs reproduce what was measured on a
fresh machine: `apt-get update` exits 100 with "Some index files failed to download",
wine32:i386 cannot be installed ("held broken packages"), everything else installs.
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]

STUBS = {
    # Installed packages are lines of $STATE/installed; every call is logged.
    "dpkg-query": r'''#!/bin/sh
pkg=$(eval echo \${$#})
grep -qx "$pkg" "$STATE/installed" && { echo "install ok installed"; exit 0; }
exit 1
''',
    "dpkg": r'''#!/bin/sh
echo "dpkg $*" >>"$STATE/calls"
case "$1" in
--print-foreign-architectures) cat "$STATE/arches" ;;
--add-architecture) echo "$2" >>"$STATE/arches" ;;
esac
''',
    "apt-get": r'''#!/bin/sh
echo "apt-get $*" >>"$STATE/calls"
if [ "$1" = update ]; then
    [ "$UPDATE_FAILS" = 1 ] || exit 0
    echo "W: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
fi
shift
dry=0
pkgs=
for a in "$@"; do
    case "$a" in -s) dry=1 ;; -*) ;; *) pkgs="$pkgs $a" ;; esac
done
for p in $pkgs; do
    case " $BROKEN " in *" $p "*)
        echo "E: Unable to correct problems, you have held broken packages."; exit 100 ;;
    esac
done
[ $dry = 1 ] || for p in $pkgs; do echo "$p" >>"$STATE/installed"; done
''',
    "id": "#!/bin/sh\necho 0\n",
    "sleep": "#!/bin/sh\n",
}

REQUIRED = ["cmake", "libdeflate-dev", "wine64", "xvfb"]  # a few; the rest are present

# (name, kernel runs 32-bit, all present, broken packages, update fails,
#  expected status, texts the output must have, texts the calls must have, texts they must not)
SCENARIOS = [
    ("64-bit kernel, mirror mid-sync", False, False, "wine32:i386", True,
     0, ["warning: apt-get update failed 3 times", "Some index files failed"],
     ["apt-get install -y -qq --no-install-recommends cmake"], ["wine32", "--add-architecture"]),
    ("32-bit kernel, wine32 cannot be installed", True, False, "wine32:i386", True,
     0, ["warning: apt-get update failed", "optional package(s) wine32:i386",
         "held broken packages", "32-bit Windows tests will be skipped"],
     ["--add-architecture i386", "install -y -qq --no-install-recommends wine32:i386"], []),
    ("a required package cannot be installed", False, False, "libdeflate-dev", False,
     1, ["required package(s) libdeflate-dev:", "held broken packages"], [], ["wine32"]),
    ("everything present, 64-bit kernel", False, True, "", True, 0, [], [], ["apt-get", "dpkg"]),
    ("everything present, wine32 too", True, True, "", True, 0, [], [], ["apt-get", "dpkg"]),
]


def required_packages():
    """Every package setup.sh lists as required, read from its own array."""
    text = (ROOT / "scripts/setup.sh").read_text()
    block = text[text.index("required=(") + len("required=("):text.index("\n)\n")]
    return [w for line in block.splitlines() for w in line.split("#")[0].split()]


def run(name, runs32, present, broken, update_fails, status, output, calls, absent):
    with tempfile.TemporaryDirectory() as tmp:
        tmp = pathlib.Path(tmp)
        scripts, stubs, state = tmp / "scripts", tmp / "bin", tmp / "state"
        for d in (scripts, stubs, state):
            d.mkdir()
        shutil.copy(ROOT / "scripts/setup.sh", scripts)
        (scripts / "runs-32bit.sh").write_text(f"#!/bin/sh\nexit {0 if runs32 else 1}\n")
        for stub, text in STUBS.items():
            (stubs / stub).write_text(text)
        for f in list(stubs.iterdir()) + list(scripts.iterdir()):
            f.chmod(0o755)
        installed = [p for p in required_packages() if present or p not in REQUIRED]
        if present and runs32:
            installed.append("wine32:i386")
        (state / "installed").write_text("".join(p + "\n" for p in installed))
        (state / "arches").write_text("")
        (state / "calls").write_text("")
        env = dict(os.environ, PATH=f"{stubs}:{os.environ['PATH']}", STATE=str(state),
                   BROKEN=broken, UPDATE_FAILS="1" if update_fails else "0")
        env.pop("OVX_SETUP_DONE", None)
        done = subprocess.run(["bash", str(scripts / "setup.sh")], env=env,
                              capture_output=True, text=True, timeout=60)
        out = done.stdout + done.stderr
        log = (state / "calls").read_text()
        faults = []
        if done.returncode != status:
            faults.append(f"status {done.returncode}, expected {status}")
        faults += [f"output lacks {t!r}" for t in output if t not in out]
        faults += [f"calls lack {t!r}" for t in calls if t not in log]
        faults += [f"calls have {t!r}" for t in absent if t in log]
        if not output and out:
            faults.append("printed something though nothing was missing")
        for f in faults:
            print(f"FAIL {name}: {f}\n--- output ---\n{out}--- calls ---\n{log}")
        return not faults


if __name__ == "__main__":
    results = [run(*s) for s in SCENARIOS]
    print(f"{sum(results)} of {len(results)} set-up scenarios passed")
    sys.exit(0 if all(results) else 1)
