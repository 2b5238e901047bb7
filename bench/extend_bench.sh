#!/usr/bin/env bash
# lorvex-extend on a batch of seeds against separate runs of lorvex.
#
#   bench/extend_bench.sh BUILD_DIR
#
# Data: the benchmark genome of bench/run.sh (3 Mb with repeats, reads of 100
# at 60x, fragments of ~400, made by lorvex-bench-data in a temporary folder;
# LORVEX_BENCH_DATA=FOLDER reuses a folder that already holds genome.fa,
# reads.table and reads.index) and 1,000 seeds of 1,000 bases taken every
# 2,990 bases from base 5,000 on.
#
# Runs: lorvex once per seed (LORVEX_EXTEND_BENCH_SEPARATE seeds, default all
# 1,000), then lorvex-extend on the whole batch with 1 and with 2 threads
# (median of LORVEX_BENCH_RUNS runs, default 3), without the repeat guard. The
# right extension of every seed in the batch must be line for line what
# lorvex printed for it, and the two thread counts must give identical files.
# Then once with the guard (2 threads): on this single-copy genome it must
# change no base; its single-copy depth and time are shown.
#
# MIN_VOTES is 10: a seed then grows until the vote depth first dips below
# 10, a few hundred to a few thousand bases, so the figures show the cost of
# start-up against extension. (With MIN_VOTES 2 every seed runs on for about
# 100,000 bases, to the stretch without reads, and the batch can only gain
# what the threads give.)
#
# Wall and CPU times are both shown: the machine may be shared, and wall times
# then swing with its load while CPU times stay put.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/extend_bench.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
source "$(dirname "$0")/bench_lib.sh"
runs=${LORVEX_BENCH_RUNS:-3}
separate=${LORVEX_EXTEND_BENCH_SEPARATE:-1000}
for tool in lorvex lorvex-extend lorvex-bench-data; do
    if [ ! -x "$build/$tool" ]; then
        echo "bench/extend_bench.sh: $build/$tool is missing (build the release tree first)" >&2
        exit 1
    fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-extend-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

MIN_DISTANCE=320
MAX_DISTANCE=399
MIN_VOTES=10
RATIO=0.2
SEEDS=1000

data=${LORVEX_BENCH_DATA:-}
if [ -z "$data" ]; then
    data="$work/data"
    mkdir -p "$data"
    "$build/lorvex-bench-data" "$data" 3000000 60 100 400 111000 1 | sed 's/^/   data: /'
fi

# The batch file, and one file per seed for the separate runs.
mkdir -p "$work/seeds" "$work/separate"
python3 - "$data/genome.fa" "$work" "$SEEDS" <<'EOF'
import sys
genome_path, work, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
with open(genome_path) as genome_file:
    genome = "".join(line.strip() for line in genome_file if not line.startswith(">"))
with open(f"{work}/batch.fa", "w") as batch:
    for i in range(count):
        start = 5000 + i * 2990
        record = f">seed{i + 1:04d}\n{genome[start:start + 1000]}\n"
        batch.write(record)
        with open(f"{work}/seeds/seed{i + 1:04d}.fa", "w") as alone:
            alone.write(record)
EOF

# timed NAME COMMAND...: runs the command under /usr/bin/time and appends its
# wall time and CPU time (user + system, children included) to NAME.walls and
# NAME.cpus.
timed() {
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S' -o "$work/$name.time" "$@"
    read -r wall user sys < "$work/$name.time"
    echo "$wall" >> "$work/$name.walls"
    awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }' >> "$work/$name.cpus"
}

echo "== lorvex-extend: $SEEDS seeds of 1,000 bases, MIN/MAX_DISTANCE $MIN_DISTANCE/$MAX_DISTANCE, MIN_VOTES $MIN_VOTES, RATIO $RATIO"
echo "   machine: $(nproc) cores, load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

# Separate runs, once: each loads the index and opens the table anew.
export build work data MIN_DISTANCE MAX_DISTANCE MIN_VOTES RATIO
timed separate bash -c '
    for seed in $(ls "$work/seeds" | head -n '"$separate"'); do
        "$build/lorvex" "$work/seeds/$seed" "$data/reads.table" "$data/reads.index" \
            $MIN_DISTANCE $MAX_DISTANCE $MIN_VOTES $RATIO > "$work/separate/${seed%.fa}.out"
    done'

# Start-up alone: one seed whose first cycle fails the vote check.
unguarded=()
"$build/lorvex-extend" --help | grep -q -- --no-repeat-guard && unguarded=(--no-repeat-guard)
# lorvex's way of counting votes, where the build has the options that change it.
as_lorvex=()
for option in "--anchor-mismatches 0" "--min-quality 30" "--no-end-reads"; do
    "$build/lorvex-extend" --help | grep -q -- "${option%% *}" && as_lorvex+=($option)
done
# The repeated runs write the same files: builds that keep existing outputs need --force.
force=()
"$build/lorvex-extend" --help | grep -q -- --force && force=(--force)
for ((i = 0; i < runs; i++)); do
    timed startup "$build/lorvex-extend" -q -s "$work/seeds/seed0001.fa" -t "$data/reads.table" \
        -i "$data/reads.index" --min-distance $MIN_DISTANCE --max-distance $MAX_DISTANCE \
        --min-votes 1000000000 --ratio $RATIO -o /dev/null "${unguarded[@]}"
done

for threads in 1 2; do
    for ((i = 0; i < runs; i++)); do
        timed "batch$threads" "$build/lorvex-extend" -q -s "$work/batch.fa" -t "$data/reads.table" \
            -i "$data/reads.index" --min-distance $MIN_DISTANCE --max-distance $MAX_DISTANCE \
            --min-votes $MIN_VOTES --ratio $RATIO --threads "$threads" -o "$work/batch$threads.fa" \
            --bases-tsv "$work/batch$threads.tsv" --summary-tsv "$work/summary$threads.tsv" \
            "${unguarded[@]}" "${as_lorvex[@]}" "${force[@]}"
    done
done

# Identical extensions: the batch's right-side rows in lorvex's line format,
# seed by seed, against the separate outputs.
if ! cmp -s "$work/batch1.fa" "$work/batch2.fa" || ! cmp -s "$work/batch1.tsv" "$work/batch2.tsv"; then
    echo "   1 AND 2 THREADS GIVE DIFFERENT RESULTS" >&2
    exit 1
fi
: > "$work/separate.lines"
for out in $(ls "$work/separate"); do
    awk -v seed="${out%.out}" '{ print seed "\t" $0 }' "$work/separate/$out" >> "$work/separate.lines"
done
awk -F'\t' -v OFS='\t' 'NR > 1 && $2 == "right" { print $1, $5, $6, $7, $8, $9 }' "$work/batch1.tsv" |
    awk -F'\t' -v last="seed$(printf '%04d' "$separate")" '$1 <= last' > "$work/batch.lines"
if ! cmp -s "$work/separate.lines" "$work/batch.lines"; then
    echo "   THE BATCH DIFFERS FROM THE SEPARATE RUNS OF lorvex" >&2
    exit 1
fi
bases=$(wc -l < "$work/batch.lines")
echo "   extensions identical: $separate seeds, $bases bases, batch with 1 and 2 threads = separate runs of lorvex"
awk -F'\t' 'NR > 1 { n++; s += $4; if ($4 > m) m = $4 } END { printf "   bases added per seed: mean %.0f, largest %d\n", s / n, m }' "$work/summary1.tsv"
if [ ${#unguarded[@]} -gt 0 ]; then
    timed guarded "$build/lorvex-extend" -s "$work/batch.fa" -t "$data/reads.table" \
        -i "$data/reads.index" --min-distance $MIN_DISTANCE --max-distance $MAX_DISTANCE \
        --min-votes $MIN_VOTES --ratio $RATIO --threads 2 "${as_lorvex[@]}" -o "$work/guarded.fa" \
        2> "$work/guarded.log"
    same="IDENTICAL to the unguarded batch"
    cmp -s "$work/guarded.fa" "$work/batch2.fa" || same="DIFFERENT FROM THE UNGUARDED BATCH"
    echo "   with the repeat guard (2 threads): $(grep -o 'single-copy depth [0-9.]* ([a-z]*)' "$work/guarded.log" || echo 'no single-copy depth'), contigs $same; $(cat "$work/guarded.walls") s wall, $(cat "$work/guarded.cpus") s cpu"
fi

for name in separate startup batch1 batch2; do
    median < "$work/$name.walls" > "$work/$name.wall"
    median < "$work/$name.cpus" > "$work/$name.cpu"
done
awk -v n="$separate" -v all="$SEEDS" \
    -v sw="$(cat "$work/separate.wall")" -v sc="$(cat "$work/separate.cpu")" \
    -v uw="$(cat "$work/startup.wall")" -v uc="$(cat "$work/startup.cpu")" \
    -v w1="$(cat "$work/batch1.wall")" -v c1="$(cat "$work/batch1.cpu")" \
    -v w2="$(cat "$work/batch2.wall")" -v c2="$(cat "$work/batch2.cpu")" 'BEGIN {
    # Separate runs scaled to the whole batch when only some were run.
    sw = sw * all / n; sc = sc * all / n
    printf "   %-34s %9s %9s\n", "", "wall s", "cpu s"
    printf "   %-34s %9.2f %9.2f\n", "separate runs of lorvex (" all " seeds)", sw, sc
    printf "   %-34s %9.2f %9.2f\n", "lorvex-extend start-up alone", uw, uc
    printf "   %-34s %9.2f %9.2f\n", "lorvex-extend, 1 thread", w1, c1
    printf "   %-34s %9.2f %9.2f\n", "lorvex-extend, 2 threads", w2, c2
    printf "   batch (1 thread) against separate runs: %.1fx wall, %.1fx cpu\n", sw / w1, sc / c1
    printf "   batch (2 threads) against separate runs: %.1fx wall\n", sw / w2
    e1 = w1 - uw; e2 = w2 - uw; if (e2 < 0.01) e2 = 0.01
    printf "   2 threads against 1: %.2fx wall in all, %.2fx wall after start-up\n", w1 / w2, e1 / e2
}'
