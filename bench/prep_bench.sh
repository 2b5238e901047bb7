#!/usr/bin/env bash
# Throughput of lorvex-prep on gzip-compressed paired FASTQ, against
# decompressing the same files alone (zcat R1 R2 > /dev/null) in the same run.
#
#   bench/prep_bench.sh BUILD_DIR [PAIRS]
#
# Generates PAIRS read pairs (default 2,000,000; reads of 100 bases from a
# random 1 Mb genome, fragments of about 400 bases, qualities drawn from a
# fixed random string) with a fixed awk seed, so every run sees the same
# files. Then times, in order: zcat alone; lorvex-prep --format text (the
# table of the earlier figures; bench/pairs_bench.sh compares the forms) with
# the default memory bound; the same with a 256 MiB bound, which sends the
# pairs through temporary bucket files. Needs about 2.5 GB of free disk per
# million pairs in the temporary folder (TMPDIR or /tmp).
set -euo pipefail

build=${1:?usage: bench/prep_bench.sh BUILD_DIR [PAIRS]}
pairs=${2:-2000000}
prep=$(cd "$build" && pwd)/lorvex-prep
[ -x "$prep" ] || { echo "prep_bench: $prep not found; build it first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-prep-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "prep_bench: generating $pairs pairs in $work"
awk -v pairs="$pairs" -v out1="$work/reads_1.fq" -v out2="$work/reads_2.fq" '
# A string of count random characters drawn by pick(), built in short pieces:
# awk copies the whole string on every concatenation.
function random_text(count, kind,    pieces, piece, i, j, text) {
    text = ""
    for (i = 0; i < count; i += 100) {
        piece = ""
        for (j = 0; j < 100; j++) piece = piece pick(kind)
        text = text piece
    }
    return text
}
function pick(kind) {
    if (kind == "base") return base[int(rand() * 4) + 1]
    return sprintf("%c", rand() < 0.8 ? 65 + int(rand() * 10) : 35 + int(rand() * 30))
}
function reverse_complement(text,    i, piece, result) {
    result = ""
    for (i = length(text); i > 0; i -= 100) {
        piece = ""
        for (j = i; j > i - 100 && j > 0; j--) piece = piece complement[substr(text, j, 1)]
        result = result piece
    }
    return result
}
BEGIN {
    srand(20240601)
    split("A C G T", base, " ")
    complement["A"] = "T"; complement["C"] = "G"; complement["G"] = "C"; complement["T"] = "A"
    size = 1000000
    genome = ""
    for (c = 0; c < size; c += 10000) genome = genome random_text(10000, "base")
    reverse = ""
    for (c = size; c > 0; c -= 10000) reverse = reverse reverse_complement(substr(genome, c - 9999, 10000))
    qualities = random_text(100000, "quality")
    for (p = 1; p <= pairs; p++) {
        fragment = 370 + int(rand() * 60)
        start = 1 + int(rand() * (size - fragment))
        # The second read: the reverse complement of the fragment end.
        printf "@bench.%d/1\n%s\n+\n%s\n", p, substr(genome, start, 100),
            substr(qualities, 1 + int(rand() * 99800), 100) > out1
        printf "@bench.%d/2\n%s\n+\n%s\n", p, substr(reverse, size - start - fragment + 2, 100),
            substr(qualities, 1 + int(rand() * 99800), 100) > out2
    }
}'
gzip -4 "$work/reads_1.fq" "$work/reads_2.fq"
ls -l "$work"/reads_*.fq.gz | awk '{ printf "prep_bench: %s %.1f MB\n", $NF, $5 / 1e6 }'

# Wall seconds, CPU seconds (user + system) and peak resident memory (KiB).
measure() {
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" > /dev/null
    awk '{ print $1, $2 + $3, $4 }' "$work/time"
}

inputs=(-1 "$work/reads_1.fq.gz" -2 "$work/reads_2.fq.gz")
read -r zcat_wall zcat_cpu _ < <(measure zcat "$work/reads_1.fq.gz" "$work/reads_2.fq.gz")
read -r prep_wall prep_cpu prep_kib < <(measure "$prep" -q "${inputs[@]}" -o "$work/out/reads" --format text)
"$prep" --check "$work/out/reads.table" "$work/out/reads.index" | sed 's/^/prep_bench: check: /'
table_bytes=$(stat -c %s "$work/out/reads.table")
rm -f "$work"/out/reads.*
read -r bounded_wall bounded_cpu bounded_kib < <(measure "$prep" -q "${inputs[@]}" -o "$work/out/reads" --format text --memory 256M)

echo "prep_bench: load average (1, 5, 15 min) after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v pairs="$pairs" -v table="$table_bytes" \
    -v zw="$zcat_wall" -v zc="$zcat_cpu" \
    -v pw="$prep_wall" -v pc="$prep_cpu" -v pk="$prep_kib" \
    -v bw="$bounded_wall" -v bc="$bounded_cpu" -v bk="$bounded_kib" 'BEGIN {
    printf "prep_bench: %d pairs, table of %.0f MB\n", pairs, table / 1e6
    printf "prep_bench: %-34s %7s %11s %8s %10s %9s\n", "", "wall s", "pairs/s", "cpu s", "peak MiB", "vs zcat"
    row("zcat R1 R2 > /dev/null", zw, zc, 0)
    row("lorvex-prep, memory bound 2G", pw, pc, pk)
    row("lorvex-prep, memory bound 256M", bw, bc, bk)
}
function row(name, wall, cpu, kib) {
    printf "prep_bench: %-34s %7.2f %11.0f %8.2f %10s %8.2fx\n", name, wall, pairs / wall, cpu,
        kib ? sprintf("%.0f", kib / 1024) : "-", wall / zw
}'
