#!/usr/bin/env bash
# Builds and runs the benchmarks, natively and (unless --native-only) as the Windows
# program under Wine, then prints every figure beside its reference as a ratio. The
# Windows build measured is the 32-bit one where this kernel runs 32-bit programs, else
# the 64-bit one (the windows-arches.sh rule; OVX_WINDOWS_ARCHES forces it).
#
#   scripts/bench.sh [--native-only]
#
# Rates are per second of process CPU time, medians of 5 repetitions, so that a busy
# machine disturbs them less; wall-clock times are in the JSON files the run leaves in
# the build folders. Build folders: build/bench and build/bench-windows or
# build/bench-windows64 (override with OVX_BENCH_BUILD and OVX_BENCH_WINDOWS_BUILD).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
ROOT=$PWD
NATIVE_BUILD=${OVX_BENCH_BUILD:-$ROOT/build/bench}
WINDOWS=1
[ "${1:-}" = "--native-only" ] && WINDOWS=0
WINDOWS_PRESETS=$(scripts/windows-arches.sh --presets)
WINDOWS_PRESET=bench-${WINDOWS_PRESETS%% *}
[ "$WINDOWS_PRESET" = bench- ] && WINDOWS=0
WINDOWS_BUILD=${OVX_BENCH_WINDOWS_BUILD:-$ROOT/build/$WINDOWS_PRESET}
case "$WINDOWS_PRESET" in
    bench-windows64) WINDOWS_TITLE="Windows x64 (64-bit) under Wine" ;;
    *) WINDOWS_TITLE="Windows x86 (32-bit) under Wine" ;;
esac

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/ovx-bench.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

echo "=== native: build ==="
cmake --preset bench -B "$NATIVE_BUILD" >/dev/null
cmake --build "$NATIVE_BUILD" --target ovx_bench ovx_peak_memory
echo "=== native: run ==="
"$NATIVE_BUILD/bench/ovx_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$NATIVE_BUILD/bench-results.json" --benchmark_out_format=json

# Peak memory of one extraction, each in a fresh process.
peak() { # <runner...> -- prints "<MiB> <before KiB> <after KiB>" lines
    local folder=$1; shift
    for size in 16 256; do
        "$@" make "$folder" "file$size" "$size"
        "$@" extract "$folder" "file$size" | tr -d '\r' | awk -v s="$size" '
            /^result/ {r=$2} /^peak_before_kib/ {b=$2} /^peak_after_kib/ {a=$2}
            END {if (r != "00000000") {print "extraction failed: " r > "/dev/stderr"; exit 1} print s, b, a}'
        rm -f "$SCRATCH/file$size.ovx" "$SCRATCH/file$size"
    done
}
echo "=== native: peak memory ==="
peak "$SCRATCH" "$NATIVE_BUILD/bench/ovx_peak_memory" > "$NATIVE_BUILD/peak-memory.txt"

if [ "$WINDOWS" = 1 ]; then
    echo "=== windows: build ($WINDOWS_TITLE, preset $WINDOWS_PRESET) ==="
    cmake --preset "$WINDOWS_PRESET" -B "$WINDOWS_BUILD" >/dev/null
    cmake --build "$WINDOWS_BUILD" --target ovx_bench ovx_peak_memory
    echo "=== windows: run under Wine ==="
    "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/bench/ovx_bench.exe" --benchmark_repetitions=5 \
        > "$WINDOWS_BUILD/bench-results.json"
    echo "=== windows: peak memory ==="
    peak "Z:${SCRATCH//\//\\}" "$WINDOWS_BUILD/wine-run.sh" "$WINDOWS_BUILD/bench/ovx_peak_memory.exe" \
        > "$WINDOWS_BUILD/peak-memory.txt"
fi

python3 - "$NATIVE_BUILD" "$([ "$WINDOWS" = 1 ] && echo "$WINDOWS_BUILD")" "$WINDOWS_TITLE" <<'PYTHON'
import json, os, sys

def load(build):
    with open(os.path.join(build, "bench-results.json")) as f:
        runs = json.load(f)["benchmarks"]
    return {r["run_name"]: r["bytes_per_second"] / 1e6 for r in runs if r.get("aggregate_name") == "median"}

def peaks(build):
    with open(os.path.join(build, "peak-memory.txt")) as f:
        return {int(m): (int(b), int(a)) for m, b, a in (line.split() for line in f if line.strip())}

def table(title, rates, rows):
    print("\n" + title)
    print("%-44s %10s %10s %8s %8s" % ("figure (MB/s of CPU time)", "measured", "reference", "ratio", "target"))
    for label, name, reference, target in rows:
        if name not in rates:
            print("%-44s %10s" % (label, "missing"))
            continue
        if reference is None:
            print("%-44s %10.0f" % (label, rates[name]))
            continue
        ratio = rates[name] / rates[reference]
        verdict = "" if target is None else ("  ok" if ratio >= target else "  BELOW")
        print("%-44s %10.0f %10.0f %7.2fx %7s%s" % (label, rates[name], rates[reference], ratio,
              "" if target is None else ">=%.2gx" % target, verdict))

def memory(title, build):
    p = peaks(build)
    small, large = p[16][1], p[256][1]
    diff = (large - small) / 1024.0
    print("%s peak resident memory: 16 MiB file %.1f MiB, 256 MiB file %.1f MiB, difference %.2f MiB (target <= 1 MiB)%s"
          % (title, small / 1024.0, large / 1024.0, diff, "  ok" if abs(diff) <= 1 else "  BELOW"))

native = load(sys.argv[1])
table("Native x86-64", native, [
    ("CBlowfish CBC DecryptInPlace 64 KiB / OpenSSL", "BM_BlowfishCbcDecryptInPlace", "BM_OpenSslBlowfishCbcDecrypt", 2.5),
    ("  one-block path / OpenSSL", "BM_BlowfishCbcDecryptOneBlockPath", "BM_OpenSslBlowfishCbcDecrypt", None),
    ("Crc32 64 KiB / zlib crc32", "BM_Crc32", "BM_ZlibCrc32", 1.0),
    ("CRecordDecoder 64 MiB / OpenSSL+zlib decoder", "BM_RecordDecoderRead", "BM_ReferenceRecordDecoder", 2.0),
    ("CChunkDecoder 64 MiB / OpenSSL CBC alone", "BM_ChunkDecoderRead", "BM_OpenSslBlowfishCbcDecrypt", 2.5),
    ("ExtractFile 256 MiB / CRecordDecoder in memory", "BM_ExtractFile256MiB", "BM_RecordDecoderRead", 0.8),
])
memory("Native", sys.argv[1])
if len(sys.argv) > 2 and sys.argv[2]:
    windows = load(sys.argv[2])
    table(sys.argv[3], windows, [
        ("CBlowfish CBC DecryptInPlace / one-block path", "BM_BlowfishCbcDecryptInPlace", "BM_BlowfishCbcDecryptOneBlockPath", 1.5),
        ("Crc32 64 KiB", "BM_Crc32", None, None),
        ("CRecordDecoder 64 MiB", "BM_RecordDecoderRead", None, None),
        ("CChunkDecoder 64 MiB", "BM_ChunkDecoderRead", None, None),
        ("ExtractFile 256 MiB / CRecordDecoder in memory", "BM_ExtractFile256MiB", "BM_RecordDecoderRead", 0.8),
    ])
    memory("Windows", sys.argv[2])
PYTHON
