#!/usr/bin/env bash
# Deep coverage, as organelle genomes are read from whole-genome data.
#
#   bench/deep_bench.sh BUILD_DIR
#
# 1. Engines: a 100 kb genome with few repeats, 2 x 150, fragments of ~500,
#    2,000x (lorvex-bench-data); a 1,000-base seed from 5,000, arguments
#    `300 589 2 0.7`; no fragment covers the 1,000 bases from 30,000, so the
#    runs extend about 24,000 bases. lorvex and lorvex-strict with the fast
#    engine, the bit-set engine (the one before overlap tracking) and the
#    literal one (a single run: it takes minutes); outputs must be identical.
#    Reports votes per cycle and ns per queued mate per cycle.
# 2. Against the peer: ART reads (HiSeq 2500 profile, 2 x 150, 2,000x,
#    fragments 500 +- 30) of the same genome without the gap; lorvex-prep
#    builds the table and lorvex-extend --both extends the seed; the peer
#    extends it from the FASTQ files with one thread. On lorvex-prep's table,
#    lorvex's start-up and lorvex against the literal design end to end (one
#    run of the literal design). art_illumina and
#    tadpole.sh come from Debian (art-nextgen-simulation-tools, bbmap) and are
#    installed here when missing.
# Figures are medians of LORVEX_BENCH_RUNS runs (default 5) of CPU time
# (user + system) and wall time; the peer, which takes about a minute, runs
# LORVEX_BENCH_PEER_RUNS times (default 1).
set -euo pipefail

source "$(dirname "$0")/bench_lib.sh"
bench_setup deep "$@"
runs=${LORVEX_BENCH_RUNS:-5}
peer_runs=${LORVEX_BENCH_PEER_RUNS:-1}
for tool in lorvex lorvex-strict lorvex-bitset lorvex-strict-bitset lorvex-literal \
    lorvex-strict-literal lorvex-bench-data lorvex-prep lorvex-extend; do
    [ -x "$build/$tool" ] && continue
    echo "bench/deep_bench.sh: $build/$tool is missing (build the release tree first)" >&2
    exit 1
done
# Timings and outputs stay in bench/out/runs/deep; the data (2 GB) does not.
work=$run
trap 'rm -rf "$work/engines" "$work/peer"' EXIT

MIN_DISTANCE=300
MAX_DISTANCE=589
MIN_VOTES=2
RATIO=0.7
GENOME=100000
COVERAGE=2000
READ_LENGTH=150
FRAGMENT=500

# time_runs NAME RUNS COMMAND...: runs COMMAND (standard output to $work/NAME.out,
# standard error to $work/NAME.err) RUNS times; leaves the medians of wall
# and CPU seconds in $work/NAME.wall and $work/NAME.cpu.
time_runs() {
    local name=$1 count=$2 i
    shift 2
    : > "$work/$name.walls"; : > "$work/$name.cpus"
    for ((i = 0; i < count; i++)); do
        /usr/bin/time -f '%e %U %S' -o "$work/$name.time" "$@" > "$work/$name.out" 2> "$work/$name.err"
        read -r wall user sys < "$work/$name.time"
        echo "$wall" >> "$work/$name.walls"
        awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$work/$name.cpus"
    done
    median < "$work/$name.walls" > "$work/$name.wall"
    median < "$work/$name.cpus" > "$work/$name.cpu"
}

seed_file() {  # GENOME START OUTPUT: 1,000 bases of the genome from START
    fasta_bases "$1" | awk -v start="$2" '{ print ">seed"; print substr($0, start + 1, 1000) }' > "$3"
}

echo "== Deep coverage: ${GENOME}-base genome at ${COVERAGE}x, 2 x $READ_LENGTH, fragments of ~$FRAGMENT"
data="$work/engines"
mkdir -p "$data"
"$build/lorvex-bench-data" "$data" $GENOME $COVERAGE $READ_LENGTH $FRAGMENT 30000 16 2 |
    sed 's/^/   data: /'
seed_file "$data/genome.fa" 5000 "$data/seed.fa"
pairs_per_start=$(awk -v g=$GENOME -v c=$COVERAGE -v r=$READ_LENGTH 'BEGIN { print c / (2 * r) }')

run_program() {  # NAME PROGRAM MIN_VOTES RUNS
    time_runs "$1" "$4" "$build/$2" "$data/seed.fa" "$data/reads.table" "$data/reads.index" \
        $MIN_DISTANCE $MAX_DISTANCE "$3" $RATIO
}
run_program startup lorvex 1000000000 1
run_program startup lorvex 1000000000 "$runs"
echo "   start-up (seed, table, index, one cycle): $(cat "$work/startup.wall") s wall, $(cat "$work/startup.cpu") s cpu"
startup_figures 2000x "$build" "$data/reads.table" "$data/reads.index" $MIN_DISTANCE $MAX_DISTANCE
printf '%-14s %-8s %7s %7s %7s %8s %9s %8s %12s\n' program engine bases "wall s" "cpu s" "loop s" "votes/c" "mates/c" "ns/mate/c"
for program in lorvex lorvex-strict; do
    windows=$((MAX_DISTANCE - MIN_DISTANCE + 1))
    [ "$program" = lorvex-strict ] && windows=$((MAX_DISTANCE + READ_LENGTH - MIN_DISTANCE))
    mates=$(awk -v p="$pairs_per_start" -v w=$windows 'BEGIN { printf "%.0f", p * w }')
    for engine in fast bitset literal; do
        binary=$program
        [ $engine = fast ] || binary=$program-$engine
        count=$runs
        [ $engine = literal ] && count=1
        run_program "$program-$engine" "$binary" $MIN_VOTES $count
        awk -F'\t' -v p=$program -v e=$engine -v w="$(cat "$work/$program-$engine.wall")" \
            -v c="$(cat "$work/$program-$engine.cpu")" -v s="$(cat "$work/startup.cpu")" \
            -v m="$mates" '{ v += $2 + $3 + $4 + $5 } END {
            loop = c - s; if (loop < 0.01) loop = 0.01
            printf "%-14s %-8s %7d %7.2f %7.2f %8.2f %9.0f %8d %12.2f\n", p, e, NR, w, c, loop, v / NR, m, loop / NR / m * 1e9 }' \
            "$work/$program-$engine.out"
    done
    for engine in bitset literal; do
        if ! cmp -s "$work/$program-fast.out" "$work/$program-$engine.out"; then
            echo "  $program: FAST AND $engine OUTPUTS DIFFER" >&2
            exit 1
        fi
    done
    awk -v p=$program -v s="$(cat "$work/startup.cpu")" -v f="$(cat "$work/$program-fast.cpu")" \
        -v b="$(cat "$work/$program-bitset.cpu")" -v l="$(cat "$work/$program-literal.cpu")" \
        -v fw="$(cat "$work/$program-fast.wall")" -v lw="$(cat "$work/$program-literal.wall")" 'BEGIN {
        printf "  %s: outputs identical; fast against bit-set: cpu %.1fx, after start-up %.1fx; against literal: cpu %.1fx, after start-up %.1fx; end to end against literal: wall %.1fx, cpu %.1fx\n",
            p, b / f, (b - s) / (f - s), l / f, (l - s) / (f - s), lw / fw, l / f }'
done
echo

echo "== Deep coverage against the peer: ART reads, lorvex-prep + lorvex-extend --both and tadpole.sh mode=extend"
if ! ensure_debian_packages art-nextgen-simulation-tools bbmap; then
    echo "   art_illumina or tadpole.sh missing and not installable; skipped"
    exit 0
fi
peer="$work/peer"
mkdir -p "$peer"
"$build/lorvex-bench-data" "$peer" $GENOME 1 $READ_LENGTH $FRAGMENT $GENOME 16 2 > /dev/null
art_illumina -ss HS25 -p -l $READ_LENGTH -f $COVERAGE -m $FRAGMENT -s 30 -rs 7 -na \
    -i "$peer/genome.fa" -o "$peer/reads_" > "$peer/art.log" 2>&1
seed_file "$peer/genome.fa" 5000 "$peer/seed.fa"
echo "   reads: $(($(wc -l < "$peer/reads_1.fq") / 4)) pairs"
time_runs prep "$runs" "$build/lorvex-prep" -q -f -1 "$peer/reads_1.fq" -2 "$peer/reads_2.fq" \
    -o "$peer/prep/reads" --format text
time_runs extend "$runs" "$build/lorvex-extend" -q -s "$peer/seed.fa" -t "$peer/prep/reads.table" \
    -i "$peer/prep/reads.index" --min-distance $MIN_DISTANCE --max-distance $MAX_DISTANCE \
    --min-votes $MIN_VOTES --ratio $RATIO --both
time_runs tadpole "$peer_runs" /usr/share/bbmap/tadpole.sh in="$peer/seed.fa" out="$peer/tadpole.fa" \
    mode=extend el=200000 er=200000 extra="$peer/reads_1.fq,$peer/reads_2.fq" k=62 threads=1 \
    ow=t
extended=$(awk 'NR == 1' "$work/extend.out")
tadpole_length=$(awk 'NR > 1 { n += length($0) } END { print n }' "$peer/tadpole.fa")
printf '%-36s %7s %7s\n' run "wall s" "cpu s"
for name in prep extend tadpole; do
    printf '%-36s %7.2f %7.2f\n' "$name" "$(cat "$work/$name.wall")" "$(cat "$work/$name.cpu")"
done
awk -v pw="$(cat "$work/prep.wall")" -v pc="$(cat "$work/prep.cpu")" \
    -v ew="$(cat "$work/extend.wall")" -v ec="$(cat "$work/extend.cpu")" \
    -v tw="$(cat "$work/tadpole.wall")" -v tc="$(cat "$work/tadpole.cpu")" 'BEGIN {
    printf "  lorvex-prep + lorvex-extend --both: %.2f s wall, %.2f s cpu; against tadpole.sh: %.1fx wall, %.1fx cpu\n",
        pw + ew, pc + ec, tw / (pw + ew), tc / (pc + ec) }'
echo "  lorvex-extend: $extended"
echo "  tadpole.sh: contig of $tadpole_length bases from the 1,000-base seed"

echo
echo "== lorvex on lorvex-prep's table of the ART reads ($(wc -l < "$peer/prep/reads.index") groups)"
startup_figures "lorvex-prep's table" "$build" "$peer/prep/reads.table" "$peer/prep/reads.index" \
    $MIN_DISTANCE $MAX_DISTANCE
for engine in fast literal; do
    binary=lorvex
    count=$runs
    [ $engine = literal ] && binary=lorvex-literal && count=1
    time_runs "prep-$engine" "$count" "$build/$binary" "$peer/seed.fa" "$peer/prep/reads.table" \
        "$peer/prep/reads.index" $MIN_DISTANCE $MAX_DISTANCE $MIN_VOTES $RATIO
done
if ! cmp -s "$work/prep-fast.out" "$work/prep-literal.out"; then
    echo "  lorvex: FAST AND LITERAL OUTPUTS DIFFER on lorvex-prep's table" >&2
    exit 1
fi
awk -v b="$(wc -l < "$work/prep-fast.out")" -v fw="$(cat "$work/prep-fast.wall")" \
    -v fc="$(cat "$work/prep-fast.cpu")" -v lw="$(cat "$work/prep-literal.wall")" \
    -v lc="$(cat "$work/prep-literal.cpu")" 'BEGIN {
    printf "  lorvex: %d bases, fast %.2f s wall, %.2f s cpu; literal %.2f s wall, %.2f s cpu; outputs identical; end to end against literal: wall %.1fx, cpu %.1fx\n",
        b, fw, fc, lw, lc, lw / fw, lc / fc }'
