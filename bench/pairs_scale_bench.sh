#!/usr/bin/env bash
# The compact pair table against the text table at depth and at scale.
#
#   bench/pairs_scale_bench.sh BUILD_DIR
#
# For each data set: lorvex-prep of each form from gzip FASTQ (wall, CPU,
# system, peak memory, bytes a pair), what a lookup reads (the text index's
# 12-base groups against the compact directory's slots, bench/group_sizes.py),
# the time of one lookup per anchor window (lorvex-bench-pairs), and
# lorvex-extend from each form: 40 seeds of 1,000 bases spread along the
# genome, --both, --max-bases 5000, distances estimated, one thread: a first
# run (wall time and major page faults: what the page cache lacked), then the
# median of LORVEX_PAIRS_RUNS more (default 3) of wall, user and system time
# and peak memory, the outputs compared with cmp.
#
# Depths (on unless LORVEX_PAIRS_DEPTHS=0; under 2 minutes once the data is
# made, 4 the first time, when art_illumina makes the 2,000x reads):
#   60x     the 3 Mb genome with repeats of bench/run.sh, 2 x 100, ~400
#   200x    the 400 kb genome of bench/run.sh, 2 x 100, ~400
#           (both from lorvex-bench-data --fastq with run.sh's parameters: the
#           same reads as its tables)
#   2,000x  the deep set (deep_reads: an 80 kb organelle-like genome read as a
#           circle, art_illumina 2 x 150, 500 +- 30)
# Scale (off unless LORVEX_PAIRS_LARGE=1, in make bench too): a genome of
# LORVEX_PAIRS_LARGE_LENGTH bases (default 100,000,000; lorvex-bench-data,
# repeat elements and short tandem repeats) at 30x, 2 x 150 from fragments
# of ~500. Its FASTQ is generated, gzipped (gzip -1: -6 takes minutes more
# and changes no table) and kept in bench/out/; the tables (a 12 GB text
# table at 100 Mb) are deleted once measured. At 100 Mb: 7 minutes the first
# time, 4 with the gzip FASTQ kept, 20 GB of free disk; at 200 Mb
# (LORVEX_PAIRS_LARGE_LENGTH=200000000): 13 and 8 minutes, 40 GB.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup pairs-scale "$@"
for tool in lorvex-prep lorvex-extend lorvex-bench-pairs lorvex-bench-data; do
    [ -x "$build/$tool" ] || { echo "pairs_scale_bench: $build/$tool is missing" >&2; exit 1; }
done
runs=${LORVEX_PAIRS_RUNS:-3}

# fastq_set NAME LENGTH COVERAGE READ_LENGTH FRAGMENT STOP_AT SEED [REPEAT_COPIES]:
# lorvex-bench-data's genome and pairs as FASTQ, made once; prints the folder.
fastq_set() {
    local dir
    dir=$(dataset_dir "bench-data/$1-$2-$3x-$4-$5-$6-s$7") || return 1
    cached_step "$dir" ||
        { "$build/lorvex-bench-data" --fastq "$dir" "${@:2}" > "$dir/data.log" &&
          mark_done "$dir"; } || return 1
    echo "$dir"
}

# data_set NAME GZIP_DIR GENOME_FA: the rows of one set.
data_set() {
    local name=$1 gz=$2 genome=$3 started=$SECONDS
    local pairs gzip_bytes
    prep_heading "$name" "$gz"
    prep_row "$name-text" "$gz" "$pairs" --format text || return 1
    prep_row "$name-compact" "$gz" "$pairs" --format compact || return 1
    echo
    local text=$run/$name-text/reads compact=$run/$name-compact/reads
    awk -v t="$(($(stat -c %s "$text.table") + $(stat -c %s "$text.index")))" \
        -v c="$(stat -c %s "$compact.pairs")" -v g="$gzip_bytes" 'BEGIN {
        printf "Text table and index %.2fx the gzip FASTQ, compact table %.2fx.\n\n", t / g, c / g }'
    echo "What a lookup reads (lines of a 12-base text group, entries of a compact directory slot):"
    echo
    echo "| form | groups | mean | mean a lookup meets | largest |"
    echo "|---|---|---|---|---|"
    python3 "$here/group_sizes.py" "$text.index" "$compact.pairs" |
        awk -F'\t' 'NR > 1 { printf "| %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5 }'
    echo
    lookup_rows "$genome" "$text" "$compact"
    echo
    extension_rows "$name" "$genome" "$text" "$compact"
    echo "($name: $((SECONDS - started)) s)"
    echo
}

echo "Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
if [ "${LORVEX_PAIRS_DEPTHS:-1}" = 1 ]; then
    started=$SECONDS
    set60=$(fastq_set run-60x 3000000 60 100 400 111000 1) &&
        gz=$(gzipped_reads "$set60" 6) && data_set 60x "$gz" "$set60/genome.fa"
    set200=$(fastq_set run-200x 400000 200 100 400 111000 1) &&
        gz=$(gzipped_reads "$set200" 6) && data_set 200x "$gz" "$set200/genome.fa"
    deep=$(deep_reads "$build") && gz=$(gzipped_reads "$deep" 6) &&
        data_set 2000x "$gz" "$(dirname "$deep")/genome.fa"
    rm -rf "$run"/*x-text "$run"/*x-compact
    echo "(depths: $((SECONDS - started)) s)"
    echo
fi
if [ "${LORVEX_PAIRS_LARGE:-0}" = 1 ]; then
    started=$SECONDS
    length=${LORVEX_PAIRS_LARGE_LENGTH:-100000000}
    echo "Free disk before the large set: $(df -h --output=avail "$bench_out" | tail -n 1 | tr -d ' ')"
    echo
    large=$(fastq_set large "$length" 30 150 500 "$((length / 2))" 7) &&
        echo "(data made: $((SECONDS - started)) s)" && echo &&
        gz=$(gzipped_reads "$large" 1 drop) && echo "(gzip: $((SECONDS - started)) s)" && echo &&
        data_set "large-$length-30x" "$gz" "$large/genome.fa"
    rm -rf "$run/large-$length-30x-text" "$run/large-$length-30x-compact"
    echo "(large set: $((SECONDS - started)) s)"
    echo
fi
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
