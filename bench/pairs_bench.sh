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

# gzip copies of a reads folder's FASTQ (made once).
gzipped_reads() {
    local reads=$1 level=$2 dir
    dir=$(dataset_dir "${reads#"$bench_out"/}/gzip-$level")
    cached_step "$dir" ||
        { gzip -"$level" -c "$reads/reads_1.fq" > "$dir/reads_1.fq.gz" &&
          gzip -"$level" -c "$reads/reads_2.fq" > "$dir/reads_2.fq.gz" && mark_done "$dir"; } ||
        return 1
    echo "$dir"
}

# prep_row LABEL GZIP_DIR PAIRS_READ OPTION...: one lorvex-prep run on the
# gzip files, and its table row: wall, CPU (user + system), system, peak.
prep_row() {
    local label=$1 gz=$2 pairs=$3
    shift 3
    local out="$run/$label"
    mkdir -p "$out"
    /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$build/lorvex-prep" -q -f \
        -1 "$gz/reads_1.fq.gz" -2 "$gz/reads_2.fq.gz" -o "$out/reads" "$@" ||
        { echo "   lorvex-prep $* failed" >&2; return 1; }
    local bytes=0 file
    for file in "$out"/reads.table "$out"/reads.index "$out"/reads.pairs; do
        [ -e "$file" ] && bytes=$((bytes + $(stat -c %s "$file")))
    done
    read -r wall user sys kib < "$out/time"
    awk -v label="$label" -v w="$wall" -v u="$user" -v s="$sys" -v k="$kib" -v b="$bytes" \
        -v p="$pairs" 'BEGIN {
        printf "| %s | %.2f | %.2f | %.2f | %.0f | %.1f MB | %.1f |\n", label, w, u + s, s,
            k / 1024, b / 1e6, b / p }'
}

# One data set: sizes and prep runs, then lookups.
data_set() {
    local name=$1 gz=$2 genome=$3
    local pairs gzip_bytes
    pairs=$(($(zcat "$gz/reads_1.fq.gz" | wc -l) / 4))
    gzip_bytes=$(($(stat -c %s "$gz/reads_1.fq.gz") + $(stat -c %s "$gz/reads_2.fq.gz")))
    echo "### $name: $(printf "%'d" "$pairs") pairs, gzip FASTQ $(awk -v b="$gzip_bytes" -v p="$pairs" 'BEGIN { printf "%.1f MB, %.1f bytes a pair", b / 1e6, b / p }')"
    echo
    echo "| lorvex-prep | wall s | CPU s | system s | peak MiB | output | bytes a pair |"
    echo "|---|---|---|---|---|---|---|"
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
    local windows=200000 bases
    bases=$(fasta_bases "$genome" | wc -c)
    [ "$bases" -gt $((windows + 2000)) ] || windows=$((bases - 2000))
    echo "Lookups, $(printf "%'d" "$windows") windows along the genome (CPU ns a lookup, one thread):"
    echo
    echo "| lookup | key | ns | entries found |"
    echo "|---|---|---|---|"
    "$build/lorvex-bench-pairs" "$genome" "$compact.pairs" "$windows" 32 "$text.table" "$text.index" |
        awk -F'\t' 'NR > 1 { printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }'
    "$build/lorvex-bench-pairs" "$genome" "$compact.pairs" "$windows" 20 |
        awk -F'\t' 'NR > 1 { printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }'
    echo
    extension_rows "$name" "$genome" "$text" "$compact"
}

# extension_rows NAME GENOME_FA TEXT_PREFIX COMPACT_PREFIX: lorvex-extend from
# each form on the same seeds.
extension_rows() {
    local name=$1 genome=$2 text=$3 compact=$4 out="$run/$1-extend"
    mkdir -p "$out"
    fasta_bases "$genome" | awk -v count=40 '{
        step = int((length($0) - 1000) / count)
        for (i = 0; i < count; i++) printf ">s%d\n%s\n", i, substr($0, 1 + i * step, 1000) }' \
        > "$out/seeds.fa"
    echo "lorvex-extend from each form (40 seeds of 1,000 bases, --both, --max-bases 5000, one thread):"
    echo
    echo "| table | wall s | system s | peak MiB | bases added | output |"
    echo "|---|---|---|---|---|---|"
    local form
    for form in text compact; do
        local tables=(-t "$text.table" -i "$text.index")
        [ "$form" = compact ] && tables=(-t "$compact.pairs")
        /usr/bin/time -f '%e %S %M' -o "$out/$form.time" "$build/lorvex-extend" -q -f \
            -s "$out/seeds.fa" "${tables[@]}" --both --max-bases 5000 -o "$out/$form.fa" \
            --summary-tsv "$out/$form.tsv" 2> "$out/$form.log" ||
            { echo "   lorvex-extend from the $form table failed (see $out/$form.log)" >&2; continue; }
        local same=reference
        [ "$form" = compact ] && { cmp -s "$out/text.fa" "$out/compact.fa" && same=identical || same=differs; }
        read -r wall sys kib < "$out/$form.time"
        awk -F'\t' -v f="$form" -v w="$wall" -v s="$sys" -v k="$kib" -v same="$same" '
            NR > 1 { added += $4 }
            END { printf "| %s | %.2f | %.2f | %.0f | %d | %s |\n", f, w, s, k / 1024, added, same }' \
            "$out/$form.tsv"
    done
    echo
}

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
