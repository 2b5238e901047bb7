#!/usr/bin/env bash
# Throughput of lorvex-prep on gzip-compressed paired FASTQ, against
# decompressing the same files alone (zcat R1 R2 > /dev/null) in the same run.
#
#   bench/prep_bench.sh BUILD_DIR [PAIRS]
#
# Generates PAIRS read pairs (default 2,000,000; reads of 100 bases from a
# random 5 Mb genome, fragments of about 400 bases, qualities drawn from a
# fixed random string) with a fixed awk seed, so every run sees the same
# files. Then times, in order: zcat alone; lorvex-prep with the default
# memory bound; lorvex-prep with a 256 MiB bound, which sends the pairs
# through temporary bucket files. Needs about 2.5 GB of free disk per
# million pairs in the temporary folder (TMPDIR or /tmp).
set -euo pipefail

build=${1:?usage: bench/prep_bench.sh BUILD_DIR [PAIRS]}
pairs=${2:-2000000}
prep=$(cd "$build" && pwd)/lorvex-prep
[ -x "$prep" ] || { echo "prep_bench: $prep not found; build it first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-prep-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "prep_bench: generating $pairs pairs in $work"
awk -v pairs="$pairs" -v out1="$work/reads_1.fq" -v out2="$work/reads_2.fq" 'BEGIN {
    srand(20240601)
    split("A C G T", base, " ")
    genome = ""
    for (i = 0; i < 5000000; i += 1000) {
        chunk = ""
        for (j = 0; j < 1000; j++) chunk = chunk base[int(rand() * 4) + 1]
        genome = genome chunk
    }
    complement["A"] = "T"; complement["C"] = "G"; complement["G"] = "C"; complement["T"] = "A"
    qualities = ""
    for (i = 0; i < 100000; i++) qualities = qualities sprintf("%c", 35 + int(rand() * 7) + (rand() < 0.8 ? 30 : 0))
    for (p = 1; p <= pairs; p++) {
        fragment = 370 + int(rand() * 60)
        start = 1 + int(rand() * (5000000 - fragment))
        first = substr(genome, start, 100)
        end = substr(genome, start + fragment - 100, 100)
        second = ""
        for (k = 100; k >= 1; k--) second = second complement[substr(end, k, 1)]
        printf "@bench.%d/1\n%s\n+\n%s\n", p, first, substr(qualities, 1 + int(rand() * 99800), 100) > out1
        printf "@bench.%d/2\n%s\n+\n%s\n", p, second, substr(qualities, 1 + int(rand() * 99800), 100) > out2
    }
}'
gzip -4 "$work/reads_1.fq" "$work/reads_2.fq"
ls -l "$work"/reads_*.fq.gz | awk '{ printf "prep_bench: %s %.1f MB\n", $NF, $5 / 1e6 }'

# Seconds and peak resident memory (KiB) of a command.
measure() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" > /dev/null
    cat "$work/time"
}

read -r zcat_seconds _ < <(measure zcat "$work/reads_1.fq.gz" "$work/reads_2.fq.gz")
read -r prep_seconds prep_kib < <(measure "$prep" -q -1 "$work/reads_1.fq.gz" -2 "$work/reads_2.fq.gz" -o "$work/out/reads")
"$prep" --check "$work/out/reads.table" "$work/out/reads.index" | sed 's/^/prep_bench: check: /'
table_bytes=$(stat -c %s "$work/out/reads.table")
rm -f "$work"/out/reads.*
read -r bounded_seconds bounded_kib < <(measure "$prep" -q -1 "$work/reads_1.fq.gz" -2 "$work/reads_2.fq.gz" -o "$work/out/reads" --memory 256M)

awk -v pairs="$pairs" -v z="$zcat_seconds" -v p="$prep_seconds" -v pk="$prep_kib" \
    -v b="$bounded_seconds" -v bk="$bounded_kib" -v table="$table_bytes" 'BEGIN {
    printf "prep_bench: %d pairs, table of %.0f MB\n", pairs, table / 1e6
    printf "prep_bench: zcat R1 R2 > /dev/null         %7.2f s  %9.0f pairs/s\n", z, pairs / z
    printf "prep_bench: lorvex-prep (memory bound 2G)   %7.2f s  %9.0f pairs/s  peak %5.0f MiB  %.2fx zcat\n", p, pairs / p, pk / 1024, p / z
    printf "prep_bench: lorvex-prep (memory bound 256M) %7.2f s  %9.0f pairs/s  peak %5.0f MiB  %.2fx zcat\n", b, pairs / b, bk / 1024, b / z
}'
