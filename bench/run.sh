#!/usr/bin/env bash
# Benchmarks of the fast extension engine against the literal one.
#
#   bench/run.sh BUILD_DIR
#
# 1. Micro-benchmarks (votes per mate per cycle, one group lookup, index
#    loading per million lines, finding a group by prefix code).
# 2. bench/prep_bench.sh BUILD_DIR, when it exists.
# 2a. The bundled example (examples/, lorvex-prep makes its table): the
#    start-up of lorvex and of the literal design on a seed that no read
#    touches (startup_figures in bench_lib.sh; the same figures follow for
#    every data set below), and the demo's seed extended by both.
# 3. End to end, on data generated in a temporary folder: a 3 Mb genome with
#    repeats at 60x and a 400 kb one at 200x, read length 100, fragments of
#    about 400. Both programs extend a 1,000-base seed by about 100,000 bases
#    (a stretch of the genome without reads ends them) with the fast engine and with
#    the literal one; their outputs must be identical. Then the fast engine
#    runs to the 2,000,000-base cap. Every figure is the median of several
#    runs (LORVEX_BENCH_RUNS, default 5).
# 4. bench/deep_bench.sh BUILD_DIR: 2,000x coverage of a 100 kb genome, the
#    fast engine against the bit-set and literal ones, and against the peer.
# 5. The repeat, circular genome, fragment, trimmed, duplicates, anchor, workflow, gap and
#    compact pair table benchmarks (bench/*_bench.sh), each on its own data;
#    bench/pairs_scale_bench.sh adds each table form at 60x, 200x and 2,000x,
#    and a 100 Mb genome at 30x with LORVEX_PAIRS_LARGE=1.
#    LORVEX_BENCH_GUARD_SPLITS=1 adds bench/guard_splits_bench.sh (about 2
#    minutes: every split the repeat guard let through, judged).
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/run.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bench_lib.sh"
runs=${LORVEX_BENCH_RUNS:-5}
for tool in micro_benchmarks lorvex lorvex-strict lorvex-literal lorvex-strict-literal \
    lorvex-bench-data lorvex-prep lorvex-bench-pairs; do
    if [ ! -x "$build/$tool" ]; then
        echo "bench/run.sh: $build/$tool is missing (build the release tree first)" >&2
        exit 1
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "   load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "== Micro-benchmarks"
"$build/micro_benchmarks" --benchmark_min_time=0.3
echo

if [ -x "$here/prep_bench.sh" ]; then
    echo "== lorvex-prep"
    "$here/prep_bench.sh" "$build" || echo "   bench/prep_bench.sh failed (status $?)"
    echo
fi

# Run parameters: anchor windows 320 to 399 bases behind the end, where the
# mates of 400-base fragments overlap the end by 20 to 99 bases.
MIN_DISTANCE=320
MAX_DISTANCE=399
MIN_VOTES=2
RATIO=0.2

# measure NAME PROGRAM DATA SEED MIN_VOTES: runs PROGRAM `runs` times; leaves
# the output of the last run in $work/NAME.out and the medians of wall time,
# CPU time and peak memory (KiB) in $work/NAME.wall, .cpu and .rss.
measure() {
    local name=$1 program=$2 data=$3 seed=$4 votes=$5 i
    : > "$work/$name.walls"; : > "$work/$name.cpus"; : > "$work/$name.rsss"
    for ((i = 0; i < runs; i++)); do
        /usr/bin/time -f '%e %U %S %M' -o "$work/$name.time" \
            "$build/$program" "$seed" "$data/reads.table" "$data/reads.index" \
            $MIN_DISTANCE $MAX_DISTANCE "$votes" $RATIO > "$work/$name.out"
        read -r wall user sys rss < "$work/$name.time"
        echo "$wall" >> "$work/$name.walls"
        awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$work/$name.cpus"
        echo "$rss" >> "$work/$name.rsss"
    done
    median < "$work/$name.walls" > "$work/$name.wall"
    median < "$work/$name.cpus" > "$work/$name.cpu"
    median < "$work/$name.rsss" > "$work/$name.rss"
}

seed_file() {  # GENOME START OUTPUT: 1,000 bases of the genome from START
    awk -v start="$2" 'NR > 1 { printf "%s", $0 } END { print "" }' "$1" |
        awk -v start="$2" '{ print ">seed"; print substr($0, start + 1, 1000) }' > "$3"
}

report_header() {
    printf '%-14s %-8s %8s %7s %7s %8s %11s %8s %8s\n' program engine bases "wall s" "cpu s" "loop s" "bases/s" "RSS MiB" "votes/b"
}

# report NAME PROGRAM ENGINE STARTUP_NAME: one line. "loop s" is the CPU time
# after start-up (the run's CPU time less that of a run that stops in its
# first cycle); bases/s is taken over it. CPU time rather than wall time,
# because the machine is shared and wall times swing with its load.
report() {
    local name=$1 program=$2 engine=$3 startup=$4
    local bases votes
    bases=$(wc -l < "$work/$name.out")
    votes=$(awk -F'\t' '{ v += $2 + $3 + $4 + $5 } END { if (NR) printf "%.1f", v / NR; else print 0 }' "$work/$name.out")
    awk -v p="$program" -v e="$engine" -v b="$bases" -v w="$(cat "$work/$name.wall")" \
        -v c="$(cat "$work/$name.cpu")" -v r="$(cat "$work/$name.rss")" \
        -v s="$(cat "$work/$startup.cpu")" -v v="$votes" 'BEGIN {
        loop = c - s; if (loop < 0.01) loop = 0.01
        printf "%-14s %-8s %8d %7.2f %7.2f %8.2f %11.0f %8.1f %8s\n", p, e, b, w, c, loop, b / loop, r / 1024, v }'
}

ratio() {  # LITERAL_NAME FAST_NAME STARTUP_NAME LABEL
    awk -v lw="$(cat "$work/$1.wall")" -v fw="$(cat "$work/$2.wall")" \
        -v lc="$(cat "$work/$1.cpu")" -v fc="$(cat "$work/$2.cpu")" \
        -v s="$(cat "$work/$3.cpu")" -v label="$4" 'BEGIN {
        ll = lc - s; fl = fc - s; if (fl < 0.01) fl = 0.01
        printf "  %-14s fast/literal speed-up: wall %.1fx, cpu %.1fx, cpu after start-up %.1fx\n", label, lw / fw, lc / fc, ll / fl }'
}

end_to_end() {  # LABEL GENOME_LENGTH COVERAGE
    local label=$1 data="$work/$1"
    mkdir -p "$data"
    echo "== End to end, $label: genome of $2 bases at ${3}x, reads of 100, fragments of ~400"
    "$build/lorvex-bench-data" "$data" "$2" "$3" 100 400 111000 1 | sed 's/^/   data: /'
    seed_file "$data/genome.fa" 10000 "$data/seed.fa"
    echo "   queued mates per cycle (expected): lorvex $(awk -v c="$3" 'BEGIN { printf "%.0f", c / 200 * 80 }'), lorvex-strict $(awk -v c="$3" 'BEGIN { printf "%.0f", c / 200 * 179 }')"
    # Start-up: a run whose first cycle fails the vote check, measured a
    # second time once the first has brought the files into the page cache.
    measure "$label-startup" lorvex "$data" "$data/seed.fa" 1000000000
    measure "$label-startup" lorvex "$data" "$data/seed.fa" 1000000000
    echo "   start-up (seed, table, index, one cycle): $(cat "$work/$label-startup.wall") s wall, $(cat "$work/$label-startup.cpu") s cpu, $(awk -v r="$(cat "$work/$label-startup.rss")" 'BEGIN { printf "%.1f", r / 1024 }') MiB peak"
    startup_figures "$label" "$build" "$data/reads.table" "$data/reads.index" $MIN_DISTANCE $MAX_DISTANCE
    report_header
    for program in lorvex lorvex-strict; do
        measure "$label-$program-fast" "$program" "$data" "$data/seed.fa" $MIN_VOTES
        measure "$label-$program-literal" "$program-literal" "$data" "$data/seed.fa" $MIN_VOTES
        report "$label-$program-fast" "$program" fast "$label-startup"
        report "$label-$program-literal" "$program" literal "$label-startup"
        if cmp -s "$work/$label-$program-fast.out" "$work/$label-$program-literal.out"; then
            echo "  $program: fast and literal outputs identical ($(wc -l < "$work/$label-$program-fast.out") lines)"
        else
            echo "  $program: FAST AND LITERAL OUTPUTS DIFFER" >&2
            exit 1
        fi
    done
    for program in lorvex lorvex-strict; do
        ratio "$label-$program-literal" "$label-$program-fast" "$label-startup" "$program"
    done
    echo
}

echo "== The bundled example: lambda phage, 2 x 100 at about 230x (demo seed and distances)"
example="$work/example"
mkdir -p "$example"
"$build/lorvex-prep" -q -1 "$here/../examples/lambda_reads_1.fq.gz" \
    -2 "$here/../examples/lambda_reads_2.fq.gz" -o "$example/reads" --format text
startup_figures example "$build" "$example/reads.table" "$example/reads.index" 230 489
fasta_bases "$here/../examples/lambda_virus.fa" |
    awk '{ print ">seed"; print substr($0, 20001, 1000) }' > "$example/seed.fa"
printf '   %-22s %8s %9s %9s %11s %9s\n' run bases "wall ms" "user ms" "system ms" "peak MiB"
for program in lorvex lorvex-strict; do
    for engine in fast literal; do
        binary=$program
        [ $engine = fast ] || binary=$program-literal
        python3 "$here/timed_runs.py" "$runs" "$example/$binary.out" "$build/$binary" \
            "$example/seed.fa" "$example/reads.table" "$example/reads.index" 230 489 5 0.1 \
            > "$example/$binary.time"
        awk -v r="$binary" -v b="$(wc -l < "$example/$binary.out")" '{
            printf "   %-22s %8d %9.1f %9.1f %11.1f %9.1f\n", r, b, $1, $2, $3, $4 / 1024 }' \
            "$example/$binary.time"
    done
    cmp -s "$example/$program.out" "$example/$program-literal.out" ||
        { echo "  $program: FAST AND LITERAL OUTPUTS DIFFER" >&2; exit 1; }
    awk -v p=$program '
        NR == FNR { fw = $1; fc = $2 + $3; next }
        { printf "  %s: outputs identical; fast/literal end to end: wall %.1fx, cpu %.1fx\n", p, $1 / fw, ($2 + $3) / fc }' \
        "$example/$program.time" "$example/$program-literal.time"
done
echo

end_to_end 60x 3000000 60
echo "== lorvex-extend: 1,000 seeds in one batch against separate lorvex runs"
LORVEX_BENCH_DATA="$work/60x" "$here/extend_bench.sh" "$build" || echo "   bench/extend_bench.sh failed (status $?)"
echo
end_to_end 200x 400000 200
"$here/deep_bench.sh" "$build" || echo "   bench/deep_bench.sh failed (status $?)"
echo

echo "== To the 2,000,000-base cap, fast engine, 60x (seed after the stretch without reads)"
seed_file "$work/60x/genome.fa" 120000 "$work/60x/seed-cap.fa"
report_header
for program in lorvex lorvex-strict; do
    measure "cap-$program" "$program" "$work/60x" "$work/60x/seed-cap.fa" 1
    report "cap-$program" "$program" fast 60x-startup
done

echo; echo "== Repeats (bench/repeat_bench.sh)"; "$here/repeat_bench.sh" "$build" || echo "   bench/repeat_bench.sh failed (status $?)"
echo; echo "== Circular genomes (bench/circle_bench.sh)"; "$here/circle_bench.sh" "$build" || echo "   bench/circle_bench.sh failed (status $?)"
echo; echo "== Populations (bench/population_bench.sh)"; "$here/population_bench.sh" "$build" || echo "   bench/population_bench.sh failed (status $?)"
echo; echo "== Fragment lengths (bench/fragments_bench.sh)"; "$here/fragments_bench.sh" "$build" || echo "   bench/fragments_bench.sh failed (status $?)"
echo; echo "== Trimmed reads (bench/trimmed_bench.sh)"; "$here/trimmed_bench.sh" "$build" || echo "   bench/trimmed_bench.sh failed (status $?)"
echo; echo "== A library of many duplicates (bench/duplicates_bench.sh)"; "$here/duplicates_bench.sh" "$build" || echo "   bench/duplicates_bench.sh failed (status $?)"
# The full anchor table (three ART error levels, three simulated, six rules,
# SSAKE beside tadpole) takes up to 20 minutes more the first time, while the
# peers' results are made: LORVEX_BENCH_ANCHORS_FULL=1.
echo; echo "== Anchors against read errors (bench/anchors_bench.sh)"
if [ "${LORVEX_BENCH_ANCHORS_FULL:-0}" = 1 ]; then
    "$here/anchors_bench.sh" "$build"
else
    LORVEX_BENCH_SSAKE="${LORVEX_BENCH_SSAKE:-0}" \
        LORVEX_BENCH_ANCHOR_SHIFTS="${LORVEX_BENCH_ANCHOR_SHIFTS:-0 -7}" LORVEX_BENCH_ANCHOR_ERRORS="${LORVEX_BENCH_ANCHOR_ERRORS:-1}" \
        LORVEX_BENCH_ANCHORS="${LORVEX_BENCH_ANCHORS:-0:measured 0:0 0:2}" "$here/anchors_bench.sh" "$build"
fi || echo "   bench/anchors_bench.sh failed (status $?)"
if [ "${LORVEX_BENCH_GUARD_SPLITS:-0}" = 1 ]; then
    echo; echo "== Splits the repeat guard let through (bench/guard_splits_bench.sh)"
    "$here/guard_splits_bench.sh" "$build" || echo "   bench/guard_splits_bench.sh failed (status $?)"
fi
echo; echo "== The workflow, 1,000 seeds in 8 chunks (bench/workflow_bench.sh)"; "$here/workflow_bench.sh" "$build" || echo "   bench/workflow_bench.sh failed (status $?)"
echo; echo "== Gap closing (bench/gaps_bench.sh)"; "$here/gaps_bench.sh" "$build" || echo "   bench/gaps_bench.sh failed (status $?)"
echo; echo "== Compact pair table (bench/pairs_bench.sh)"; "$here/pairs_bench.sh" "$build" || echo "   bench/pairs_bench.sh failed (status $?)"
# The 100 Mb genome at 30x (7 minutes, 20 GB of disk): LORVEX_PAIRS_LARGE=1.
echo; echo "== Compact pair table at 60x, 200x, 2,000x and at scale (bench/pairs_scale_bench.sh)"
"$here/pairs_scale_bench.sh" "$build" || echo "   bench/pairs_scale_bench.sh failed (status $?)"
