#!/usr/bin/env bash
# Variants against repeats: lorvex-extend on a population (a majority
# haplotype and minorities at shares such as 80/15/5, 0.5 % divergence each,
# coverage varying 20x to 1,000x along a 16 kb genome; simulate_population.py),
# with the repeat guard on and every setting at its default.
#
#   bench/population_bench.sh BUILD_DIR
#
# Two seeds of 1,000 bases (at a quarter and three quarters of the genome)
# are extended on both sides with --variants-tsv. Prints per set: the bases
# added, the bases that disagree with the majority, the stops, and the
# variant rows against the true sites whose minority share is 10 % or more
# (recovered, and precision: rows at a true site of any share).
#
# Nuclear copies: a 16 kb genome at 500x (2 x 100, and 2 x 150) whose four
# pieces of 1 to 3 kb lie, 2 to 5 % diverged, in a 1.5 Mb background read at
# 8x (simulate_population.py --copies); the same two seeds. Prints the bases
# added, those that disagree with the genome, the stretch the sides reach
# and the rows (the genome has no minority: a row is a copy's base or an
# error). Then the rows of the repeat benchmark's 32 seeds (repeat_bench.sh's
# data and settings): another copy's difference, or an error.
#
# Then what the rows cost: the runs above, and 16 seeds of the bundled
# example whose sides run over the whole genome, timed without and with
# --variants-tsv (medians of LORVEX_BENCH_RUNS runs, 3 by default).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup population "$@"

runs=${LORVEX_BENCH_RUNS:-3}
costs=()
# cost LABEL SEEDS PREP: the medians without and with the rows, as a row.
cost() {
    local label=$1 seeds=$2 prep=$3 without with
    local extend=("$build/lorvex-extend" -s "$seeds" -t "$prep/reads.table" -i "$prep/reads.index"
                  --both -f -q -j "$threads" -o "$run/timed.fa")
    without=$(python3 "$here/timed_runs.py" "$runs" "$run/timed.out" "${extend[@]}") || exit 1
    with=$(python3 "$here/timed_runs.py" "$runs" "$run/timed.out" "${extend[@]}" \
        --variants-tsv "$run/timed.tsv") || exit 1
    read -r w0 _ s0 p0 <<< "$without"
    read -r w1 _ s1 p1 <<< "$with"
    costs+=("| $label | $w0 / $w1 | $s0 / $s1 | $((p0 / 1024)) / $((p1 / 1024)) |")
}

echo "| set | bases added | disagree with the majority | stops | sites >= 10 % in reach | recovered | rows | precision |"
echo "|---|---|---|---|---|---|---|---|"
# simulated_set DIR OPTION...: simulate_population.py's set in DIR, prepared.
simulated_set() {
    local dir=$1
    shift
    cached_step "$dir" || { python3 "$here/simulate_population.py" "$dir" "$@" && mark_done "$dir"; } ||
        return 1
    [ -e "$dir/prep/reads.index" ] || { mkdir -p "$dir/prep" && "$build/lorvex-prep" -q -f \
        -1 "$dir/reads_1.fq" -2 "$dir/reads_2.fq" -o "$dir/prep/reads" --format text; }
}

# extend_two_seeds DIR [OPTION...]: two seeds of 1,000 bases at a quarter and three
# quarters of DIR's genome extended on both sides into $run (seeds.fa,
# contigs.fa, variants.tsv, summary.tsv, extend.log).
extend_two_seeds() {
    python3 - "$1/genome.fa" > "$run/seeds.fa" <<'PY'
import sys
genome = "".join(l.strip() for l in open(sys.argv[1]) if not l.startswith(">"))
for at in (len(genome) // 4, 3 * len(genome) // 4):
    print(f">seed_{at + 1}\n{genome[at:at + 1000]}")
PY
    "$build/lorvex-extend" -s "$run/seeds.fa" -t "$1/prep/reads.table" -i "$1/prep/reads.index" \
        --both -f -j "$threads" -o "$run/contigs.fa" --variants-tsv "$run/variants.tsv" \
        --summary-tsv "$run/summary.tsv" "${@:2}" 2> "$run/extend.log" ||
        { cat "$run/extend.log"; return 1; }
}

for set in "0.8,0.15,0.05 20 1000" "0.85,0.15 20 1000" "0.6,0.25,0.1,0.05 50 500"; do
    read -r shares low high <<< "$set"
    dir=$(dataset_dir "population-$shares-$low-$high")
    simulated_set "$dir" --shares "$shares" --low "$low" --high "$high" || exit 1
    extend_two_seeds "$dir" || exit 1
    python3 "$here/eval_population.py" sites "$dir/genome.fa" "$dir/sites.tsv" "$run/contigs.fa" \
        "$run/variants.tsv" "$run/summary.tsv" "$shares $low-${high}x" || exit 1
    cost "$shares $low-${high}x" "$run/seeds.fa" "$dir/prep"
done

echo
echo "| nuclear copies | bases added | disagree with the genome | stops | reach | rows | rows at a copy's base |"
echo "|---|---|---|---|---|---|---|"
for length in 100 150; do
    dir=$(dataset_dir "population-nuclear-copies-r$length")
    simulated_set "$dir" --shares 1 --low 500 --high 500 --read-length "$length" --copies 4 \
        --background 1500000 --background-coverage 8 || exit 1
    extend_two_seeds "$dir" || exit 1
    python3 "$here/eval_population.py" copies "$dir/genome.fa" "$dir/copy_sites.tsv" \
        "$run/contigs.fa" "$run/variants.tsv" "$run/summary.tsv" "2 x $length, 500x" || exit 1
    cost "nuclear copies, 2 x $length" "$run/seeds.fa" "$dir/prep"
done
# A share low enough for the copies' reads (8x against 500x) to make rows.
extend_two_seeds "$dir" --min-variant-share 0.01 || exit 1
python3 "$here/eval_population.py" copies "$dir/genome.fa" "$dir/copy_sites.tsv" \
    "$run/contigs.fa" "$run/variants.tsv" "$run/summary.tsv" \
    "2 x $length, 500x, --min-variant-share 0.01" || exit 1

# The repeat benchmark's seeds (repeat_bench.sh, with its settings): their
# rows are differences of other copies whose reads were placed on a side,
# or errors.
genome=$(generated_genome "$build" repeats 2500000 1) &&
    seeds=$(repeat_seeds "$build" "$genome" 8 1) &&
    reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11) &&
    prep=$(prepared_reads "$build" "$reads") || exit 1
"$build/lorvex-extend" -s "$seeds/seeds.fa" -t "$prep/reads.table" -i "$prep/reads.index" --both \
    -f -j "$threads" --min-distance 230 --max-distance 490 --min-votes 2 --ratio 0.7 \
    --max-bases 20000 -o "$run/repeats.fa" --variants-tsv "$run/repeats.tsv" \
    2> "$run/repeats.log" || { cat "$run/repeats.log"; exit 1; }
echo
echo "| repeat seeds | seeds | rows | of 2 reads | near a repeat copy | in single-copy sequence | precision |"
echo "|---|---|---|---|---|---|---|"
python3 "$here/eval_population.py" repeats "$genome/genome.repeats.tsv" "$seeds/seeds.tsv" \
    "$run/repeats.fa" "$run/repeats.tsv" "2.5 Mb, 12 families, 50x" || exit 1

examples=$(example_reads) && example=$(prepared_reads "$build" "$examples") || exit 1
python3 - "$examples/genome.fa" > "$run/example-seeds.fa" <<'PY'
import sys
genome = "".join(l.strip() for l in open(sys.argv[1]) if not l.startswith(">"))
for i in range(16):
    at = 1000 + i * (len(genome) - 3000) // 16
    print(f">seed_{at + 1}\n{genome[at:at + 1000]}")
PY
cost "example, 16 seeds" "$run/example-seeds.fa" "$example"

echo
echo "| run | wall ms without / with --variants-tsv | system ms | peak MiB |"
echo "|---|---|---|---|"
printf '%s\n' "${costs[@]}"
