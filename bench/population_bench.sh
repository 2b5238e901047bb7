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
# (recovered, and precision: rows at a true site of any share). Then what
# the rows cost: the same runs, and 16 seeds of the bundled example whose
# sides run over the whole genome, timed without and with --variants-tsv
# (medians of LORVEX_BENCH_RUNS runs, 3 by default).
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
for set in "0.8,0.15,0.05 20 1000" "0.85,0.15 20 1000" "0.6,0.25,0.1,0.05 50 500"; do
    read -r shares low high <<< "$set"
    dir=$(dataset_dir "population-$shares-$low-$high")
    cached_step "$dir" || { python3 "$here/simulate_population.py" "$dir" --shares "$shares" \
        --low "$low" --high "$high" && mark_done "$dir"; } || exit 1
    prep="$dir/prep"
    [ -e "$prep/reads.index" ] || { mkdir -p "$prep" && "$build/lorvex-prep" -q -f \
        -1 "$dir/reads_1.fq" -2 "$dir/reads_2.fq" -o "$prep/reads"; } || exit 1
    python3 - "$dir/genome.fa" > "$run/seeds.fa" <<'PY'
import sys
genome = "".join(l.strip() for l in open(sys.argv[1]) if not l.startswith(">"))
for at in (len(genome) // 4, 3 * len(genome) // 4):
    print(f">seed_{at + 1}\n{genome[at:at + 1000]}")
PY
    "$build/lorvex-extend" -s "$run/seeds.fa" -t "$prep/reads.table" -i "$prep/reads.index" \
        --both -f -j "$threads" -o "$run/contigs.fa" --variants-tsv "$run/variants.tsv" \
        --summary-tsv "$run/summary.tsv" 2> "$run/extend.log" || { cat "$run/extend.log"; exit 1; }
    python3 - "$dir/genome.fa" "$dir/sites.tsv" "$run/contigs.fa" "$run/variants.tsv" \
        "$run/summary.tsv" "$shares $low-${high}x" <<'PY'
import collections, sys
genome_fa, sites_tsv, contigs_fa, variants_tsv, summary_tsv, label = sys.argv[1:]
genome = "".join(l.strip() for l in open(genome_fa) if not l.startswith(">"))
sites = {}
for line in list(open(sites_tsv))[1:]:
    position, major, minor, share = line.split("\t")
    sites[int(position) - 1] = float(share)
contigs, name = {}, None
for line in open(contigs_fa):
    if line.startswith(">"):
        name = line[1:].split()[0]; contigs[name] = ""
    else:
        contigs[name] += line.strip()
added = wrong = 0
reach = set()
offsets = {}
for name, contig in contigs.items():
    seed_at = int(name.split("_")[1]) - 1
    header_left = None
    # The seed's place in the contig: the left side's bases come first.
    left = contig.find(genome[seed_at:seed_at + 1000])
    start = seed_at - left
    offsets[name] = start
    added += len(contig) - 1000
    for i, base in enumerate(contig):
        at = start + i
        if at < 0 or at >= len(genome) or base != genome[at]:
            wrong += 1
        elif not seed_at <= at < seed_at + 1000:
            reach.add(at)
rows = found = 0
recovered = set()
for line in list(open(variants_tsv))[1:]:
    f = line.split("\t")
    at = offsets[f[0]] + int(f[2]) - 1
    rows += 1
    if at in sites:
        found += 1
        recovered.add(at)
target = {at for at, share in sites.items() if share >= 0.10 and at in reach}
stops = collections.Counter(l.split("\t")[4] for l in list(open(summary_tsv))[1:])
got = len(target & recovered)
print(f"| {label} | {added:,} | {wrong} | {', '.join(f'{k} {v}' for k, v in sorted(stops.items()))} "
      f"| {len(target)} | {got} ({100 * got / max(1, len(target)):.0f} %) | {rows} "
      f"| {100 * found / max(1, rows):.0f} % |")
PY
    cost "$shares $low-${high}x" "$run/seeds.fa" "$prep"
done

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
