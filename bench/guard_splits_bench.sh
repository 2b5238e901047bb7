#!/usr/bin/env bash
# The repeat guard's accepted splits: every cycle whose runner-up holds 2
# votes or more that the guard let through, judged against the genome, and
# what candidate rules for a split between copies without a depth jump would
# keep out and lose (bench/guard_splits.py).
#
#   bench/guard_splits_bench.sh BUILD_DIR
#
# Runs (data of the other benchmarks, made here where datasets.sh can make
# them): anchors_bench.sh's three ART sets of the repeat genome and, when
# that script has made them, its three lorvex-bench-data sets, each with the
# anchor rules of LORVEX_BENCH_ANCHORS (default "0:measured 0:0 0:2 40:0
# 30:0"), at most 20,000 bases a side; repeat_bench.sh's run and its bundled
# example control with their settings; population_bench.sh's sets with its
# two seeds, when it has made them. Prints the split cycles that chose a base
# other than the genome's, then one row per rule.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup guard-splits "$@"
read -r -a rules <<< "${LORVEX_BENCH_ANCHORS:-0:measured 0:0 0:2 40:0 30:0}"

# split_cycles LABEL GENOME_FA SEEDS_DIR PREP_DIR OPTION...: one run, its
# split cycles into $run/LABEL.cycles.tsv.
split_cycles() {
    local label=$1 genome=$2 seeds=$3 prep=$4 depth
    shift 4
    "$build/lorvex-extend" -f -s "$seeds/seeds.fa" -t "$prep/reads.table" -i "$prep/reads.index" \
        --both -j "${threads:-2}" -o "$run/$label.fa" --bases-tsv "$run/$label.bases.tsv" \
        --summary-tsv "$run/$label.summary.tsv" "$@" 2> "$run/$label.log" ||
        { echo "   $label: lorvex-extend failed (see $run/$label.log)" >&2; return 1; }
    depth=$(sed -n 's/.*single-copy depth \([0-9.]*\).*/\1/p' "$run/$label.log")
    python3 "$here/guard_splits.py" cycles "$label" "$run/$label.bases.tsv" \
        "$run/$label.summary.tsv" "$depth" "$genome" "$seeds/seeds.tsv" > "$run/$label.cycles.tsv"
}

# anchor_rules SET GENOME_FA SEEDS_DIR PREP_DIR: one run per anchor rule.
anchor_rules() {
    local rule options
    for rule in "${rules[@]}"; do
        options=(--anchor-length "${rule%%:*}")
        [ "${rule#*:}" = measured ] || options+=(--anchor-mismatches "${rule#*:}")
        split_cycles "$1-k${rule%%:*}-m${rule#*:}" "$2" "$3" "$4" --max-bases 20000 "${options[@]}"
    done
}

genome=$(generated_genome "$build" repeats 2500000 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 8 1) || exit 1
for shift in ${LORVEX_BENCH_ANCHOR_SHIFTS:-0 -5 -7}; do
    reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11 "" "$shift") || exit 1
    prep=$(prepared_reads "$build" "$reads" --format text) || exit 1
    anchor_rules "art-qs$shift" "$genome/genome.fa" "$seeds" "$prep"
done
for errors in ${LORVEX_BENCH_ANCHOR_ERRORS:-0.2 1 2}; do
    data="$bench_out/anchors/simulated-1000000-e$errors"
    if cached_step "$data"; then
        anchor_rules "sim-e$errors" "$data/genome.fa" "$data" "$data"
    else
        echo "   (no $data: bench/anchors_bench.sh makes it)" >&2
    fi
done

reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11) || exit 1
prep=$(prepared_reads "$build" "$reads") || exit 1
split_cycles repeats "$genome/genome.fa" "$seeds" "$prep" --min-distance 230 --max-distance 490 \
    --min-votes 2 --ratio 0.7 --max-bases 20000
lambda=$(example_reads) && lambda_seeds=$(repeat_seeds "$build" "$lambda" 16 1 1000) &&
    lambda_prep=$(prepared_reads "$build" "$lambda") || exit 1
split_cycles lambda "$lambda/genome.fa" "$lambda_seeds" "$lambda_prep" --min-distance 230 \
    --max-distance 489 --min-votes 2 --ratio 0.1

# population_bench.sh's sets: the majority genome, its two seeds.
for dir in "$bench_out"/population-*; do
    [ -e "$dir/prep/reads.index" ] || continue
    mkdir -p "$run/seeds-${dir##*/}"
    python3 - "$dir/genome.fa" "$run/seeds-${dir##*/}" <<'PY'
import sys
genome = "".join(l.strip() for l in open(sys.argv[1]) if not l.startswith(">"))
with open(sys.argv[2] + "/seeds.fa", "w") as fasta, open(sys.argv[2] + "/seeds.tsv", "w") as tsv:
    tsv.write("name\tstart\tlength\tstrand\n")
    for at in (len(genome) // 4, 3 * len(genome) // 4):
        fasta.write(f">seed_{at + 1}\n{genome[at:at + 1000]}\n")
        tsv.write(f"seed_{at + 1}\t{at}\t1000\t+\n")
PY
    split_cycles "${dir##*/}" "$dir/genome.fa" "$run/seeds-${dir##*/}" "$dir/prep"
done

tables=("$run"/*.cycles.tsv)
echo "Split cycles the guard let through (runner-up >= 2) that chose a base other than the genome's:"
echo
echo "| run | seed | side | step | bases after | winner | runner-up | votes | local depth | D |"
echo "|---|---|---|---|---|---|---|---|---|---|"
cat "${tables[@]}" | awk -F'\t' '$11 == "wrong" { printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7, $8, $9, $10 }'
echo
echo "${#tables[@]} runs, $(cat "${tables[@]}" | awk -F'\t' '$4 != "stop"' | wc -l) accepted split cycles. Each rule ending a side at its first firing cycle:"
echo
python3 "$here/guard_splits.py" rules "${tables[@]}"
