#!/usr/bin/env bash
# The compact pair table against the text table: bytes per pair beside the
# gzip FASTQ, lorvex-prep's time and peak memory for each form, and the time
# of one lookup per anchor window.
#
#   bench/pairs_bench.sh BUILD_DIR
#
# Then lorvex-extend from each form on every set: 40 seeds of 1,000 bases
# spread along the genome, both sides, at most 5,000 bases a side, distances
# estimated: wall, system time, peak memory, and whether the outputs agree.
#
# Data: the bundled example (lambda, 19,400 pairs of 2 x 100, gzip -9), and a
# generated genome of 10 Mb without repeat families (LORVEX_PAIRS_GENOME_LENGTH)
# with art_illumina reads of 2 x 150 from 400 +- 30 at 30x (about a million
# pairs), gzip -6; then the same reads cut as quality trimming leaves them,
# down to 10 bases, for what --min-read-length keeps. Reads and gzip files
# are made once and kept in bench/out/; the tables are made afresh.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup pairs "$@"
for tool in lorvex-prep lorvex-bench-pairs lorvex-bench-genome lorvex-bench-trim; do
    [ -x "$build/$tool" ] || { echo "pairs_bench: $build/$tool is missing" >&2; exit 1; }
done

# One data set: sizes and prep runs, then lookups.
data_set() {
    local name=$1 gz=$2 genome=$3
    local pairs gzip_bytes
    prep_heading "$name" "$gz"
    prep_row "$name-text" "$gz" "$pairs" --format text
    prep_row "$name-compact" "$gz" "$pairs" --format compact
    prep_row "$name-both" "$gz" "$pairs" --format both
    prep_row "$name-compact-64M" "$gz" "$pairs" --format compact --memory 64M
    echo
    local text=$run/$name-text/reads compact=$run/$name-compact/reads
    awk -v t="$(($(stat -c %s "$text.table") + $(stat -c %s "$text.index")))" \
        -v c="$(stat -c %s "$compact.pairs")" -v g="$gzip_bytes" 'BEGIN {
        printf "Text table and index %.2fx the gzip FASTQ, compact table %.2fx.\n\n", t / g, c / g }'
    cmp -s "$compact.pairs" "$run/$name-compact-64M/reads.pairs" &&
        cmp -s "$compact.pairs" "$run/$name-both/reads.pairs" ||
        echo "PAIRS FILES DIFFER BETWEEN RUNS" >&2
    "$build/lorvex-prep" --check "$compact.pairs" "$text.table" "$text.index" > /dev/null ||
        echo "CHECK FAILED" >&2
    lookup_rows "$genome" "$text" "$compact" 20
    echo
    extension_rows "$name" "$genome" "$text" "$compact"
}

runs=${LORVEX_BENCH_RUNS:-3}
echo "Load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
example=$(example_reads) || exit 1
examples=$(cd "$here/../examples" && pwd)
mkdir -p "$run/example-gz"
cp "$examples"/lambda_reads_[12].fq.gz "$run/example-gz/"
for mate in 1 2; do mv "$run/example-gz/lambda_reads_$mate.fq.gz" "$run/example-gz/reads_$mate.fq.gz"; done
data_set example "$run/example-gz" "$example/genome.fa"

length=${LORVEX_PAIRS_GENOME_LENGTH:-10000000}
genome=$(generated_genome "$build" unique "$length" 3) || exit 1
reads=$(simulated_reads "$genome/genome.fa" 150 400 30 30 51) || exit 1
gz=$(gzipped_reads "$reads" 6) || exit 1
data_set "${length}-30x" "$gz" "$genome/genome.fa"

# Trimmed to 10 bases and more: what each least read length keeps.
trimmed=$(dataset_dir "${reads#"$bench_out"/}/trimmed-10")
cached_step "$trimmed" ||
    { "$build/lorvex-bench-trim" --in1 "$reads/reads_1.fq" --in2 "$reads/reads_2.fq" \
          --out "$trimmed/reads" --min-length 10 --seed 4 > "$trimmed/trim.log" &&
      mark_done "$trimmed"; } || exit 1
echo "### The same reads trimmed (10 to 150 bases): what --min-read-length keeps"
echo
echo "| --min-read-length | pairs kept | share | bytes | bytes a kept pair | bases kept |"
echo "|---|---|---|---|---|---|"
for least in 21 30 40 60; do
    out="$run/trimmed-$least"
    mkdir -p "$out"
    "$build/lorvex-prep" -q -f -1 "$trimmed/reads_1.fq" -2 "$trimmed/reads_2.fq" -o "$out/reads" \
        --format compact --min-read-length "$least" --stats "$out/stats.tsv" ||
        { echo "   lorvex-prep --min-read-length $least failed" >&2; continue; }
    awk -F'\t' -v least="$least" '
        $1 == "pairs" && $2 == "read" { read = $3 }
        $1 == "compact" && $2 == "kept" { kept = $3 }
        $1 == "compact" && $2 == "bases" { bases = $3 }
        $1 == "compact" && $2 == "bytes" { bytes = $3 }
        END { printf "| %d | %d | %.1f %% | %.1f MB | %.1f | %.1f M |\n", least, kept,
              100 * kept / read, bytes / 1e6, bytes / kept, bases / 1e6 }' "$out/stats.tsv"
done
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
