#!/usr/bin/env bash
# The workflow on the bundled example as two samples (one with two read
# files, one with an interleaved file) of 3 seed chunks each: the gathered
# outputs must be byte for byte those of one lorvex-extend run over all of a
# sample's seeds, a second run must find nothing to do, and a dry run of the
# SLURM profile must list the jobs with their resources.
#
#   tests/workflow/workflow_test.sh BUILD_DIR     (exit 77: snakemake is not installed)
set -euo pipefail

build=$(cd "${1:?usage: workflow_test.sh BUILD_DIR}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
if ! command -v snakemake >/dev/null; then
    echo "workflow_test: snakemake is not installed (scripts/install-deps.sh installs it); skipped"
    exit 77
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-workflow-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "workflow_test: $*" >&2; exit 1; }

examples=$source_dir/examples
paste <(zcat "$examples/lambda_reads_1.fq.gz" | paste - - - -) \
      <(zcat "$examples/lambda_reads_2.fq.gz" | paste - - - -) | tr '\t' '\n' > "$work/interleaved.fq"
cat > "$work/config.yaml" <<CONFIG
results: $work/results
bin: $build
chunks: 3
extend: {both: true, max_bases: 3000}
samples:
  two_files:
    reads: [$examples/lambda_reads_1.fq.gz, $examples/lambda_reads_2.fq.gz]
    seeds: $source_dir/workflow/example/seeds_a.fa
    scaffolds: $source_dir/workflow/example/scaffolds_a.fa
  interleaved:
    reads: [$work/interleaved.fq]
    seeds: $source_dir/workflow/example/seeds_b.fa
    extend: {min_votes: 5, ratio: 0.1}
CONFIG
workflow=(snakemake -s "$source_dir/workflow/Snakefile" --configfile "$work/config.yaml"
          --directory "$work")

"${workflow[@]}" --cores 2 -q > "$work/run.log" 2>&1 || { cat "$work/run.log"; fail "the workflow failed"; }

# One run over all the seeds, with every value estimated, as a user runs it.
declare -A options=([two_files]="" [interleaved]="--min-votes 5 --ratio 0.1")
declare -A seeds=([two_files]=seeds_a.fa [interleaved]=seeds_b.fa)
for sample in two_files interleaved; do
    results=$work/results/$sample
    # shellcheck disable=SC2086
    "$build/lorvex-extend" -q -s "$source_dir/workflow/example/${seeds[$sample]}" \
        -t "$results/reads.table" -i "$results/reads.index" --both --max-bases 3000 \
        ${options[$sample]} -o "$work/$sample.fa" --bases-tsv "$work/$sample.bases.tsv" \
        --summary-tsv "$work/$sample.summary.tsv" --plot "$work/$sample.svg"
    cmp "$results/contigs.fa" "$work/$sample.fa" || fail "$sample: contigs differ"
    cmp "$results/bases.tsv" "$work/$sample.bases.tsv" || fail "$sample: bases TSV differs"
    cmp "$results/summary.tsv" "$work/$sample.summary.tsv" || fail "$sample: summary TSV differs"
    cmp "$results/votes.svg" "$work/$sample.svg" || fail "$sample: plot differs"
    [ "$(grep -c '^>' "$results/contigs.fa")" -gt 1 ] || fail "$sample: too few contigs"
done
summary=$(cut -f1-4 "$work/results/study_summary.tsv" | tr '\t\n' ' |')
[ "$summary" = "sample seeds sides bases_added|two_files 7 14 $(awk -F'\t' 'NR > 1 { s += $4 } END { print s }' "$work/two_files.summary.tsv")|interleaved 6 12 $(awk -F'\t' 'NR > 1 { s += $4 } END { print s }' "$work/interleaved.summary.tsv")|" ] ||
    fail "study summary: $summary"

# The sample with scaffolds: closed with the values settled over its seeds.
estimate=$work/results/two_files/estimate.tsv
value() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$estimate"; }
"$build/lorvex-close" -q -s "$source_dir/workflow/example/scaffolds_a.fa" \
    -t "$work/results/two_files/reads.table" -i "$work/results/two_files/reads.index" \
    --min-distance "$(value min_distance)" --max-distance "$(value max_distance)" \
    --depth "$(value single_copy_depth)" -o "$work/closed.fa" --gaps-tsv "$work/gaps.tsv" ||
    fail "direct lorvex-close failed"
cmp "$work/results/two_files/scaffolds.fa" "$work/closed.fa" || fail "closed scaffolds differ"
cmp "$work/results/two_files/gaps.tsv" "$work/gaps.tsv" || fail "gaps TSV differs"

"${workflow[@]}" --cores 2 > "$work/again.log" 2>&1 || { cat "$work/again.log"; fail "second run failed"; }
grep -q "Nothing to be done" "$work/again.log" || { cat "$work/again.log"; fail "second run did work"; }

"${workflow[@]}" --profile "$source_dir/workflow/profiles/slurm" -n --forceall > "$work/dry.log" 2>&1 ||
    { cat "$work/dry.log"; fail "dry run of the SLURM profile failed"; }
# The job table (rule, count, threads) and every job's resources.
for jobs in "prep +2 +1 +1" "estimate +2 +2 +2" "extend_chunk +6 +1 +1" "close +1 +2 +2" "total +21 +1 +2"; do
    grep -qE "^$jobs$" "$work/dry.log" || { cat "$work/dry.log"; fail "dry run: no line '$jobs'"; }
done
# Six chunk jobs and the closing job ask for 1,024 MB and two hours.
[ "$(grep -c "resources: .*mem_mb=1024.*runtime=120" "$work/dry.log")" -eq 7 ] ||
    fail "dry run: not 7 jobs of 1,024 MB and 120 minutes"
sed -n '/^Job stats:/,/^total/{p;/^total/q}' "$work/dry.log"
echo "workflow_test: gathered outputs equal one run per sample; second run: nothing to be done"
