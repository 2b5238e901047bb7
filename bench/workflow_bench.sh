#!/usr/bin/env bash
# The workflow (workflow/) on one sample of 1,000 seeds of 1,000 bases from
# the bench's unique 1 Mb genome at 50x (reads of 100, fragments of 400 +- 30),
# both sides, at most 2,000 bases a side, in 8 chunks: the text table, index
# and estimate are made first, then the chunks, gathering and summary are timed
# with --cores 1 and --cores 2.
#
#   LORVEX_BENCH_OUT=bench/out bench/workflow_bench.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: bench/workflow_bench.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
out=$(cd "${LORVEX_BENCH_OUT:-$here/out}" && pwd)
genome=$out/unique-1000000-s2/genome.fa
reads=$out/unique-1000000-s2/reads-100-400-30-50x-s31
[ -f "$genome" ] && [ -f "$reads/reads_1.fq" ] || { echo "workflow_bench: run bench/run.sh first (no $reads)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-workflow-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$genome" "$work/seeds.fa" <<'PYTHON'
import random, sys
genome = "".join(line.strip() for line in open(sys.argv[1]) if not line.startswith(">"))
positions = random.Random(1).sample(range(0, len(genome) - 1000), 1000)
with open(sys.argv[2], "w") as out:
    for i, start in enumerate(positions, 1):
        out.write(f">seed_{i} {start + 1}-{start + 1000}\n{genome[start:start + 1000]}\n")
PYTHON
cat > "$work/config.yaml" <<CONFIG
results: $work/results
bin: $build
chunks: 8
plot: false
multiqc: false
prep: {format: text}
extend: {both: true, max_bases: 2000}
samples:
  unique:
    reads: [$reads/reads_1.fq, $reads/reads_2.fq]
    seeds: $work/seeds.fa
CONFIG
workflow=(snakemake -s "$here/../workflow/Snakefile" --configfile "$work/config.yaml" --directory "$work" -q)
"${workflow[@]}" --cores 2 --until estimate > "$work/setup.log" 2>&1
jobs=$("${workflow[@]}" -n --forcerun seeds_chunk | awk '$1 == "total" { print $2 }')
echo "workflow_bench: $jobs jobs (8 chunks: split, extend; gather, summary)"
for cores in 1 2; do
    /usr/bin/time -f "%e %U %S" -o "$work/time" "${workflow[@]}" --cores "$cores" \
        --forcerun seeds_chunk > "$work/run.log" 2>&1
    read -r wall user system < "$work/time"
    echo "workflow_bench: --cores $cores: wall $wall s, CPU $user s user + $system s system"
done
column -t "$work/results/study_summary.tsv" | cut -c1-120
