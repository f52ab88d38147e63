#!/usr/bin/env bash
# Builds and runs the benchmark, natively and (unless --native-only) as the Windows
# program under Wine, and prints each figure beside its reference. The Windows build
# measured is the 32-bit one where this host runs 32-bit Windows programs, else the
# 64-bit one, saying why (the windows-arches.sh rule; OVX_WINDOWS_ARCHES forces it).
#
#   scripts/bench.sh [--native-only] [--runs N] [--rounds N] [--copies N]
#
# Each figure is one of ours timed against a reference round by round (bench/PairedRun.h):
# a round's rate is the fastest call of its batch (thread CPU time natively, wall time
# under Wine and for the whole extraction of a file), a figure's rate its best round, and
# beside the best-round ratio stands the median of the rounds' paired ratios.
# --runs N (default 1) runs the whole benchmark N times and prints min / median / max of
# every figure over the runs; --rounds N (default 15) sets the rounds of one run.
# --copies N only measures where the code lands: the CBC figures from N fresh copies of
# the native benchmark program, one line per copy.
# OVX_BENCH_TREE_FILES (default 3000) sets how many files the trees of many files hold.
#
# What is measured is what ships: the bench presets build as native (RelWithDebInfo) and
# windows / windows64 (Release) do. Build folders: build/bench and build/bench-windows or
# build/bench-windows64 (override with OVX_BENCH_BUILD and OVX_BENCH_WINDOWS_BUILD); each
# run's raw lines stay there as results-<n>.txt.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
ROOT=$PWD
NATIVE_BUILD=${OVX_BENCH_BUILD:-$ROOT/build/bench}
WINDOWS=1
RUNS=1
ROUNDS=15
COPIES=0
while [ $# -gt 0 ]; do
    case "$1" in
        --native-only) WINDOWS=0 ;;
        --runs) RUNS=$2; shift ;;
        --rounds) ROUNDS=$2; shift ;;
        --copies) COPIES=$2; WINDOWS=0; shift ;;
        *) echo "usage: scripts/bench.sh [--native-only] [--runs N] [--rounds N] [--copies N]" >&2; exit 2 ;;
    esac
    shift
done
WINDOWS_PRESETS=$(scripts/windows-arches.sh --presets)
WINDOWS_PRESET=bench-${WINDOWS_PRESETS%% *}
[ "$WINDOWS_PRESET" = bench- ] && WINDOWS=0
WINDOWS_BUILD=${OVX_BENCH_WINDOWS_BUILD:-$ROOT/build/$WINDOWS_PRESET}
if [ "$WINDOWS" = 1 ] && [ "$WINDOWS_PRESET" = bench-windows64 ]; then
    echo "bench: $(scripts/windows-arches.sh --why); measuring the 64-bit Windows build"
fi
case "$WINDOWS_PRESET" in
    bench-windows64) WINDOWS_TITLE="Windows x64 (64-bit) under Wine" ;;
    *) WINDOWS_TITLE="Windows x86 (32-bit) under Wine" ;;
esac

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/ovx-bench.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

echo "=== native: build ==="
cmake --preset bench -B "$NATIVE_BUILD" >/dev/null
cmake --build "$NATIVE_BUILD" --target ovx_bench ovx_peak_memory ovx-extract

if [ "$COPIES" -gt 0 ]; then
    # The same bytes under fresh names: the kernel places each file's pages anew.
    for n in $(seq 1 "$COPIES"); do
        cp "$NATIVE_BUILD/bench/ovx_bench" "$SCRATCH/ovx_bench_copy$n"
        md5=$(md5sum < "$SCRATCH/ovx_bench_copy$n" | cut -c1-8)
        "$SCRATCH/ovx_bench_copy$n" --rounds="$ROUNDS" --filter=cbc-64k | tr -d '\r' |
            awk -F'|' -v n="$n" -v md5="$md5" '/^RESULT/ {printf "copy %2d (md5 %s) %-16s ours %7.1f MB/s  reference %7.1f MB/s  best-round ratio %.2fx\n", n, md5, $2, $3, $4, $5}'
        rm -f "$SCRATCH/ovx_bench_copy$n"
    done
    exit 0
fi

if [ "$WINDOWS" = 1 ]; then
    echo "=== windows: build ($WINDOWS_TITLE, preset $WINDOWS_PRESET) ==="
    cmake --preset "$WINDOWS_PRESET" -B "$WINDOWS_BUILD" >/dev/null
    cmake --build "$WINDOWS_BUILD" --target ovx_bench ovx_peak_memory ovx_window_bench ovx_log_bench
fi

# Peak memory of one extraction, each in a fresh process.
peak() { # <folder> <runner...> -- prints "<MiB> <before KiB> <after KiB>" lines
    local folder=$1; shift
    for size in 16 1024; do
        "$@" make "$folder" "file$size" "$size"
        "$@" extract "$folder" "file$size" | tr -d '\r' | awk -v s="$size" '
            /^result/ {r=$2} /^peak_before_kib/ {b=$2} /^peak_after_kib/ {a=$2}
            END {if (r != "00000000") {print "extraction failed: " r > "/dev/stderr"; exit 1} print s, b, a}'
        rm -f "$SCRATCH/file$size.ovx" "$SCRATCH/file$size"
    done
}

rm -f "$NATIVE_BUILD"/results-*.txt
[ "$WINDOWS" = 1 ] && rm -f "$WINDOWS_BUILD"/results-*.txt
for run in $(seq 1 "$RUNS"); do
    echo "=== run $run of $RUNS: native ($(uptime | sed 's/.*load/load/')) ==="
    "$NATIVE_BUILD/bench/ovx_bench" --rounds="$ROUNDS" | tee "$NATIVE_BUILD/results-$run.txt"
    if [ "$WINDOWS" = 1 ]; then
        echo "=== run $run of $RUNS: windows under Wine ($(uptime | sed 's/.*load/load/')) ==="
        "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/bench/ovx_bench.exe" --rounds="$ROUNDS" | tr -d '\r' |
            tee "$WINDOWS_BUILD/results-$run.txt"
    fi
done

# ovx-extract as a user runs it: 1 GiB from the page cache into a new file, with the
# default threads against --threads 1 (record layout), and against OpenSSL's command
# decrypting the same bytes in CBC (chunk layout: its length is whole blocks).
echo "=== native: ovx-extract end to end, 1 GiB, warm cache ==="
"$NATIVE_BUILD/bench/ovx_peak_memory" make "$SCRATCH" big 1024
"$NATIVE_BUILD/bench/ovx_peak_memory" make "$SCRATCH" bigchunk 1024 chunk
cat "$SCRATCH/big.ovx" "$SCRATCH/bigchunk.ovx" > /dev/null
EXTRACT="$NATIVE_BUILD/cli/ovx-extract"
for run in $(seq 1 "$RUNS"); do
    OVX_PASSWORD=benchmark scripts/paired-commands.py e2e-threads $((1 << 30)) 5 "$SCRATCH/out" \
        -- "$EXTRACT" -q "$SCRATCH/big.ovx" "$SCRATCH/out" \
        -- "$EXTRACT" -q --threads 1 "$SCRATCH/big.ovx" "$SCRATCH/out" | tee -a "$NATIVE_BUILD/results-$run.txt"
    OVX_PASSWORD=benchmark scripts/paired-commands.py e2e-openssl $((1 << 30)) 3 "$SCRATCH/out" \
        -- "$EXTRACT" -q "$SCRATCH/bigchunk.ovx" "$SCRATCH/out" \
        -- openssl enc -d -bf-cbc -nopad -provider legacy -provider default -K 62656e63686d61726b00000000000000 \
        -iv 6D2B91C43E07A58F -in "$SCRATCH/bigchunk.ovx" -out "$SCRATCH/out" | tee -a "$NATIVE_BUILD/results-$run.txt"
done
rm -rf "$SCRATCH/big.ovx" "$SCRATCH/bigchunk.ovx" "$SCRATCH/out"

# Folders of many files: 3,000 of 0.2 to 64 KiB (units of 4 KiB) and 3,000 of one unit
# (200 to 500 bytes), extracted into a new folder and verified, default against --threads 1.
time_trees() { # <results folder> <scratch as the programs name it> <separator> <ovx_peak_memory...> -- <ovx-extract...>
    local results=$1 where=$2 sep=$3 maker=() extract=()
    shift 3
    while [ "$1" != -- ]; do maker+=("$1"); shift; done
    shift
    extract=("$@")
    "${maker[@]}" tree "$where${sep}tree" "$TREE_FILES" 200 65536
    "${maker[@]}" tree "$where${sep}small" "$TREE_FILES" 200 500
    for run in $(seq 1 "$RUNS"); do
        for tree in tree small; do
            bytes=$(du -sb "$SCRATCH/$tree" | cut -f1)
            OVX_PASSWORD=benchmark scripts/paired-commands.py "e2e-$tree" "$bytes" 7 "$SCRATCH/out" \
                -- "${extract[@]}" -q "$where$sep$tree" "$where${sep}out" \
                -- "${extract[@]}" -q --threads 1 "$where$sep$tree" "$where${sep}out" | tee -a "$results/results-$run.txt"
            OVX_PASSWORD=benchmark scripts/paired-commands.py "e2e-$tree-test" "$bytes" 7 "$SCRATCH/out" \
                -- "${extract[@]}" -q --test "$where$sep$tree" \
                -- "${extract[@]}" -q --test --threads 1 "$where$sep$tree" | tee -a "$results/results-$run.txt"
        done
    done
    rm -rf "$SCRATCH/tree" "$SCRATCH/small" "$SCRATCH/out"
}
TREE_FILES=${OVX_BENCH_TREE_FILES:-3000}
echo "=== native: ovx-extract on trees of $TREE_FILES files, warm cache ==="
time_trees "$NATIVE_BUILD" "$SCRATCH" / "$NATIVE_BUILD/bench/ovx_peak_memory" -- "$EXTRACT"
if [ "$WINDOWS" = 1 ]; then
    # ovx-extract.exe under Wine, paths in its Z: form; each run includes starting Wine.
    echo "=== windows: ovx-extract.exe on trees of $TREE_FILES files, warm cache ==="
    time_trees "$WINDOWS_BUILD" "Z:${SCRATCH//\//\\}" '\' \
        "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/bench/ovx_peak_memory.exe" -- \
        "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/cli/ovx-extract.exe"
fi

echo "=== native: peak memory ==="
peak "$SCRATCH" "$NATIVE_BUILD/bench/ovx_peak_memory" > "$NATIVE_BUILD/peak-memory.txt"
if [ "$WINDOWS" = 1 ]; then
    # The window and ovx-extract.exe on 3,000 small files, on a private display.
    echo "=== windows: the window vs ovx-extract.exe, 3,000 files ==="
    OVX_WINDOWS_BUILD="$WINDOWS_BUILD" scripts/with-display.sh "$WINDOWS_BUILD/wine-run.sh" \
        "$WINDOWS_BUILD/bench/ovx_window_bench.exe" "$RUNS" | tr -d '\r' | tee "$WINDOWS_BUILD/window-bench.txt"
    echo "=== windows: the window's log growing to 100,000 lines ==="
    OVX_WINDOWS_BUILD="$WINDOWS_BUILD" scripts/with-display.sh "$WINDOWS_BUILD/wine-run.sh" \
        "$WINDOWS_BUILD/bench/ovx_log_bench.exe" | tr -d '\r' | tee "$WINDOWS_BUILD/log-bench.txt"
    echo "=== windows: peak memory ==="
    peak "Z:${SCRATCH//\//\\}" "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/bench/ovx_peak_memory.exe" \
        > "$WINDOWS_BUILD/peak-memory.txt"
fi

python3 - "$NATIVE_BUILD" "$([ "$WINDOWS" = 1 ] && echo "$WINDOWS_BUILD")" "$WINDOWS_TITLE" <<'PYTHON'
import glob, os, statistics, sys

def load(build):
    runs = []
    for path in sorted(glob.glob(os.path.join(build, "results-*.txt"))):
        figures = {}
        for line in open(path):
            f = line.strip().split("|")
            if f[0] == "RESULT":
                figures[f[1]] = tuple(float(x) for x in f[2:6])  # ours, reference, best ratio, median ratio
        runs.append(figures)
    return runs

def spread(values, fmt):
    if len(values) == 1:
        return fmt % values[0]
    return "/".join(fmt % v for v in (min(values), statistics.median(values), max(values)))

def table(title, runs, rows):
    print("\n%s (%d run%s%s)" % (title, len(runs), "" if len(runs) == 1 else "s",
                                 "" if len(runs) == 1 else "; min/median/max over runs"))
    print("%-46s %-22s %-22s %-20s %-20s %s" % ("figure (MB/s, best round)", "ours", "reference",
                                                "best-round ratio", "paired median", "target"))
    for label, fid, target in rows:
        got = [r[fid] for r in runs if fid in r]
        if not got:
            print("%-46s missing" % label)
            continue
        ratios = [g[2] for g in got]
        verdict = "" if target is None else (">=%.2gx %s" % (target, "ok" if statistics.median(ratios) >= target
                                                                   else "BELOW"))
        print("%-46s %-22s %-22s %-20s %-20s %s" % (
            label, spread([g[0] for g in got], "%.0f"), spread([g[1] for g in got], "%.0f"),
            spread(ratios, "%.2fx"), spread([g[3] for g in got], "%.2fx"), verdict))

def memory(title, build):
    with open(os.path.join(build, "peak-memory.txt")) as f:
        p = {int(m): (int(b), int(a)) for m, b, a in (line.split() for line in f if line.strip())}
    small, large = p[16][1], p[1024][1]
    diff = (large - small) / 1024.0
    ok = abs(diff) <= 1 and max(small, large) < 16 * 1024
    print("%s peak resident memory: 16 MiB file %.1f MiB, 1 GiB file %.1f MiB, difference %.2f MiB "
          "(target: within 1 MiB, under 16 MiB)%s" % (title, small / 1024.0, large / 1024.0, diff,
                                                      "  ok" if ok else "  BELOW"))

table("Native x86-64", load(sys.argv[1]), [
    ("CBC DecryptInPlace 64 KiB / OpenSSL", "cbc-64k-openssl", 12.0),
    ("CBC DecryptInPlace 1 MiB / OpenSSL", "cbc-1m-openssl", 12.0),
    ("CBC DecryptInPlace 16 MiB / OpenSSL", "cbc-16m-openssl", 12.0),
    ("CBC DecryptInPlace 64 KiB / libgcrypt", "cbc-64k-gcrypt", 4.0),
    ("CBC DecryptInPlace 1 MiB / libgcrypt", "cbc-1m-gcrypt", 4.0),
    ("CBC DecryptInPlace 16 MiB / libgcrypt", "cbc-16m-gcrypt", 4.0),
    ("  byte planes 64 KiB / 8 lanes (AVX-512 VBMI only)", "planes-64k-lanes", 2.8),
    ("  byte planes 1 MiB / 8 lanes (AVX-512 VBMI only)", "planes-1m-lanes", 2.8),
    ("  Decrypt 256 B, kernel chosen at SetKey / named per call", "choice-256b-lanes", None),
    ("  one-block path 64 KiB / OpenSSL", "oneblock-64k-openssl", None),
    ("  portable lanes 64 KiB / one-block path", "lanes-64k-oneblock", None),
    ("Crc32 64 KiB / libdeflate_crc32", "crc-64k-libdeflate", 1.0),
    ("Crc32 16 MiB / libdeflate_crc32", "crc-16m-libdeflate", 1.0),
    ("Crc32 64 KiB / zlib crc32", "crc-64k-zlib", 2.0),
    ("  slice-by-16 64 KiB / zlib crc32", "slices-64k-zlib", None),
    ("CRecordDecoder 64 MiB / OpenSSL+zlib decoder", "record-reference", 4.5),
    ("CChunkDecoder 64 MiB / OpenSSL CBC, same bytes", "chunk-openssl", 4.5),
    ("ExtractFile 256 MiB (wall) / CRecordDecoder", "extract-record", None),
    ("Record 64 MiB in memory, all threads / one (wall)", "threads-record", 1.8),
    ("Chunk 64 MiB in memory, all threads / one (wall)", "threads-chunk", 1.8),
    ("ovx-extract 1 GiB record, default / --threads 1", "e2e-threads", 1.6),
    ("ovx-extract 1 GiB chunk / openssl enc -d -bf-cbc", "e2e-openssl", 5.0),
    ("ovx-extract 3,000 files 0.2-64 KiB, default / --threads 1", "e2e-tree", 1.6),
    ("  the same, --test", "e2e-tree-test", 1.7),
    ("ovx-extract 3,000 one-unit files, default / --threads 1", "e2e-small", 1.3),
    ("  the same, --test", "e2e-small-test", 0.97),
])
memory("Native", sys.argv[1])
if len(sys.argv) > 2 and sys.argv[2]:
    table(sys.argv[3], load(sys.argv[2]), [
        ("CBC DecryptInPlace 64 KiB / one-block path", "cbc-64k-oneblock", 2.5),
        ("CBC DecryptInPlace 16 MiB / one-block path", "cbc-16m-oneblock", 2.5),
        ("  portable lanes 64 KiB / one-block path", "lanes-64k-oneblock", None),
        ("  byte planes 64 KiB / 8 lanes (64-bit, AVX-512 VBMI only)", "planes-64k-lanes", None),
        ("  byte planes 1 MiB / 8 lanes (64-bit, AVX-512 VBMI only)", "planes-1m-lanes", None),
        ("  Decrypt 256 B, kernel chosen at SetKey / named per call", "choice-256b-lanes", None),
        ("Crc32 64 KiB / slice-by-16", "crc-64k-slices", None),
        ("CRecordDecoder 64 MiB / CChunkDecoder 64 MiB", "record-chunk", None),
        ("ExtractFile 256 MiB (wall) / CRecordDecoder", "extract-record", None),
        ("Record 64 MiB in memory, all threads / one (wall)", "threads-record", None),
        ("Chunk 64 MiB in memory, all threads / one (wall)", "threads-chunk", None),
        ("ovx-extract.exe 3,000 files 0.2-64 KiB, default / --threads 1", "e2e-tree", 0.97),
        ("  the same, --test", "e2e-tree-test", 0.97),
        ("ovx-extract.exe 3,000 one-unit files, default / --threads 1", "e2e-small", 0.97),
        ("  the same, --test", "e2e-small-test", 0.97),
    ])
    memory("Windows", sys.argv[2])
PYTHON
