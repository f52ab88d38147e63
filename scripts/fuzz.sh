#!/usr/bin/env bash
# Builds the fuzz preset (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer),
# writes starting corpora from the test encoder and runs the fuzz targets one after
# another, one process each.
#
#   scripts/fuzz.sh --smoke             every target for 4 s on a fresh corpus (about 25 s)
#   scripts/fuzz.sh --runs N [TARGET]   N executions of each target (or of TARGET only)
#   scripts/fuzz.sh --seconds S [TARGET]
#
# The long modes keep their corpora in build/fuzz/corpus/<target>, so later runs go on
# from where earlier ones stopped, and print each target's executions, time and coverage
# (libFuzzer's cov: edges reached, ft: features). Anything found is written to
# build/fuzz/findings/ and fails the run; replay one with build/fuzz/fuzz/<target> <file>.
set -eu
cd "$(dirname "$0")/.."
BUILD=$PWD/build/fuzz
TARGETS=(RecordDecoderFuzzer ChunkDecoderFuzzer EncodedLayoutFuzzer CryptoFastPathFuzzer EngineThreadsFuzzer)

usage() {
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

MODE=${1:-}
case "$MODE" in
--smoke) LIMIT=(-max_total_time=4) ;;
--runs) [ $# -ge 2 ] || usage; LIMIT=(-runs="$2"); shift ;;
--seconds) [ $# -ge 2 ] || usage; LIMIT=(-max_total_time="$2"); shift ;;
*) usage ;;
esac
shift
if [ $# -ge 1 ]; then
    [[ " ${TARGETS[*]} " == *" $1 "* ]] || { echo "fuzz: unknown target $1 (${TARGETS[*]})" >&2; exit 2; }
    TARGETS=("$1")
fi

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# Seeds, corpus folder and input length limit of each target.
seeds_of() {
    case "$1" in
    RecordDecoderFuzzer) echo record ;;
    ChunkDecoderFuzzer) echo chunk ;;
    EncodedLayoutFuzzer) echo layout ;;
    CryptoFastPathFuzzer) echo crypto ;;
    EngineThreadsFuzzer) echo engine ;;
    esac
}
max_len_of() {
    case "$1" in
    EncodedLayoutFuzzer) echo 512 ;; # a description and a script, not a file
    EngineThreadsFuzzer) echo 512 ;; # descriptions of a few files
    *) echo 8192 ;;
    esac
}

rm -rf "$BUILD/seeds"
"$BUILD/fuzz/MakeFuzzSeeds" "$BUILD/seeds"
mkdir -p "$BUILD/findings" "$BUILD/logs"
SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/ovx-fuzz.XXXXXX")
trap 'rm -rf "$SCRATCH"' EXIT

failed=0
for target in "${TARGETS[@]}"; do
    if [ "$MODE" = --smoke ]; then
        corpus=$SCRATCH/$target
    else
        corpus=$BUILD/corpus/$target
    fi
    mkdir -p "$corpus"
    log=$BUILD/logs/$target.log
    status=0
    "$BUILD/fuzz/$target" "${LIMIT[@]}" -max_len="$(max_len_of "$target")" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/findings/$target-" \
        "$corpus" "$BUILD/seeds/$(seeds_of "$target")" >"$log" 2>&1 || status=$?
    # The last status line carries the coverage; the final statistics the executions.
    awk -v t="$target" -v s="$status" '
        /[ \t]cov: / { for (i = 1; i < NF; ++i) { if ($i == "cov:") c = $(i+1); if ($i == "ft:") f = $(i+1); if ($i == "corp:") u = $(i+1) } }
        /^Done [0-9]+ runs in/ { secs = $5 }
        /stat::number_of_executed_units:/ { n = $2 }
        END { printf "%-22s %s executions in %s s, cov %s, ft %s, corpus %s%s\n", t, n, secs, c, f, u, (s != 0 ? "  FAILED (exit " s ")" : "") }
    ' "$log"
    if [ "$status" -ne 0 ]; then
        grep -E "ERROR|SUMMARY|disagree|differ|not decoded|Test unit written" "$log" | head -n 20 >&2 || true
        echo "fuzz: $target failed; its log is $log" >&2
        failed=1
    fi
done
exit $failed
