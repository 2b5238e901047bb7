#!/usr/bin/env bash
# The workflow on the bundled example as two samples of 3 seed chunks each,
# listed in a sample sheet (one with two read files and the compact table, one
# with an interleaved file, the text table and settings of its own):
# - the gathered outputs are byte for byte those of one lorvex-extend run over
#   all of a sample's seeds, the closed scaffolds those of one lorvex-close run;
# - the same samples written in the config's YAML, beside a third whose
#   estimate is refused, run with --keep-going: the two give the same files,
#   the third is named with its log, and the run fails;
# - a typo in the config is refused, naming it (config_test.py: every other
#   mistake, and the sheet and YAML forms without running anything);
# - the MultiQC report holds the lorvex sections and the study's numbers;
# - a second run finds nothing to do and removes interrupted jobs' partial files;
# - the SLURM profile lists the jobs with their resources and logs under 'results';
# - the option table agrees with the schema and with the programs' --help.
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

# The Python that runs Snakemake has its modules (jsonschema, yaml).
python=$(sed -n '1s/^#! *//p' "$(command -v snakemake)")
[[ "$python" == */python3* && -x "${python%% *}" ]] || python=python3
$python "$source_dir/tests/workflow/check_options.py" "$build" "$source_dir/workflow" ||
    fail "the option table, the schema and the programs disagree"
$python "$source_dir/tests/workflow/config_test.py" "$source_dir/workflow" || fail "config checks"

examples=$source_dir/examples
seeds=$source_dir/workflow/example
paste <(zcat "$examples/lambda_reads_1.fq.gz" | paste - - - -) \
      <(zcat "$examples/lambda_reads_2.fq.gz" | paste - - - -) | tr '\t' '\n' > "$work/interleaved.fq"
row() { local IFS=$'\t'; echo "$*"; }
{
    row sample reads_1 reads_2 interleaved seeds scaffolds extend.min_votes extend.ratio prep.format
    echo "# a comment line"
    row two_files "$examples/lambda_reads_1.fq.gz" "$examples/lambda_reads_2.fq.gz" "" \
        "$seeds/seeds_a.fa" "$seeds/scaffolds_a.fa" "" "" ""
    row interleaved "" "" "$work/interleaved.fq" "$seeds/seeds_b.fa" "" 5 0.1 text
} > "$work/samples.tsv"
study="bin: $build
chunks: 3
extend: {both: true, max_bases: 3000}"
cat > "$work/sheet.yaml" <<CONFIG
$study
results: $work/results
sample_sheet: $work/samples.tsv
CONFIG
workflow=(snakemake -s "$source_dir/workflow/Snakefile" --directory "$work")

"${workflow[@]}" --configfile "$work/sheet.yaml" --cores 2 -q > "$work/run.log" 2>&1 ||
    { cat "$work/run.log"; fail "the workflow failed"; }

# One run over all the seeds, with every value estimated, as a user runs it.
declare -A options=([two_files]="" [interleaved]="--min-votes 5 --ratio 0.1")
declare -A seed_files=([two_files]=seeds_a.fa [interleaved]=seeds_b.fa)
# The compact table by default, the text table where the sample asks for it.
declare -A table_files=([two_files]="reads.pairs" [interleaved]="reads.index reads.table")
declare -A tables=([two_files]="-t reads.pairs" [interleaved]="-t reads.table -i reads.index")
for sample in two_files interleaved; do
    results=$work/results/$sample
    [ "$(cd "$results" && echo reads.*)" = "${table_files[$sample]}" ] ||
        fail "$sample: not the table of its format: $(ls "$results")"
    # shellcheck disable=SC2086
    (cd "$results" && "$build/lorvex-extend" -q -s "$seeds/${seed_files[$sample]}" \
        ${tables[$sample]} --both --max-bases 3000 \
        ${options[$sample]} -o "$work/$sample.fa" --bases-tsv "$work/$sample.bases.tsv" \
        --summary-tsv "$work/$sample.summary.tsv" --plot "$work/$sample.svg")
    cmp "$results/contigs.fa" "$work/$sample.fa" || fail "$sample: contigs differ"
    cmp "$results/bases.tsv" "$work/$sample.bases.tsv" || fail "$sample: bases TSV differs"
    cmp "$results/summary.tsv" "$work/$sample.summary.tsv" || fail "$sample: summary TSV differs"
    cmp "$results/votes.svg" "$work/$sample.svg" || fail "$sample: plot differs"
    [ "$(grep -c '^>' "$results/contigs.fa")" -gt 1 ] || fail "$sample: too few contigs"
    grep -q "19,400 pairs read, 19,400 kept" "$work/results/logs/$sample/prep.log" ||
        fail "$sample: no summary in the prep log"
done
# The study summary: the prep and estimate numbers, then the extension's.
column_of() { awk -F'\t' -v name="$1" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i }
                                       NR > 1 { printf "%s ", $c }' "$work/results/study_summary.tsv"; }
added() { awk -F'\t' 'NR > 1 { s += $4 } END { print s }' "$work/$1.summary.tsv"; }
for expected in "sample:two_files interleaved" "pairs_read:19400 19400" "pairs_kept:19400 19400" \
                "read_length:100 100" "seeds:7 6" "sides:14 12" "gaps_closed:1 " \
                "bases_added:$(added two_files) $(added interleaved)"; do
    [ "$(column_of "${expected%%:*}")" = "${expected#*:} " ] ||
        fail "study summary: ${expected%%:*} is '$(column_of "${expected%%:*}")'"
done
for name in fragment_median fragment_lower_quartile min_distance max_distance single_copy_depth; do
    [[ "$(column_of $name)" =~ ^[0-9.]+\ [0-9.]+\ $ ]] || fail "study summary: no $name"
done

# The sample with scaffolds: closed with the values settled over its seeds.
estimate=$work/results/two_files/estimate.tsv
value() { awk -F'\t' -v k="$1" '$1 == k { print $2 }' "$estimate"; }
"$build/lorvex-close" -q -s "$seeds/scaffolds_a.fa" \
    -t "$work/results/two_files/reads.pairs" \
    --min-distance "$(value min_distance)" --max-distance "$(value max_distance)" \
    --depth "$(value single_copy_depth)" -o "$work/closed.fa" --gaps-tsv "$work/gaps.tsv" ||
    fail "direct lorvex-close failed"
cmp "$work/results/two_files/scaffolds.fa" "$work/closed.fa" || fail "closed scaffolds differ"
cmp "$work/results/two_files/gaps.tsv" "$work/gaps.tsv" || fail "gaps TSV differs"

# The report: every lorvex section, in order, and the samples table's numbers.
report=$work/results/multiqc_report.html
if command -v multiqc >/dev/null; then
    sections=$(grep -o 'id="lorvex_[a-z]*"' "$report" | tr '\n' ' ')
    [ "$sections" = 'id="lorvex_samples" id="lorvex_prep" id="lorvex_fragments" id="lorvex_bases" id="lorvex_stops" id="lorvex_gaps" ' ] ||
        fail "report sections: $sections"
    table=$work/results/multiqc_report_data/multiqc_lorvex_samples_table.txt
    [ "$(awk -F'\t' 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == "bases_added") c = i }
                     NR > 1 { print $1 "=" $c }' "$table" | sort | tr '\n' ' ')" = \
      "interleaved=$(added interleaved) two_files=$(added two_files) " ] || fail "report table: $(cat "$table")"
else
    echo "workflow_test: multiqc is not installed; the report is not checked"
    [ ! -e "$report" ] || fail "a report without multiqc"
fi

# The same samples in YAML, beside one whose seeds hold no pair of the reads.
python3 -c 'import random; r = random.Random(5)
print(">unrelated"); print("".join(r.choice("ACGT") for _ in range(1000)))' > "$work/unrelated.fa"
reads="[$examples/lambda_reads_1.fq.gz, $examples/lambda_reads_2.fq.gz]"
cat > "$work/yaml.yaml" <<CONFIG
$study
results: $work/results_yaml
samples:
  two_files:
    reads: $reads
    seeds: $seeds/seeds_a.fa
    scaffolds: $seeds/scaffolds_a.fa
  unrelated: {reads: $reads, seeds: $work/unrelated.fa}
  interleaved:
    reads: [$work/interleaved.fq]
    seeds: $seeds/seeds_b.fa
    extend: {min_votes: 5, ratio: 0.1}
    prep: {format: text}
CONFIG
if "${workflow[@]}" --configfile "$work/yaml.yaml" --cores 2 -q --keep-going > "$work/yaml.log" 2>&1; then
    fail "a run with a refused estimate succeeded"
fi
for line in "sample unrelated: estimate failed; log: $work/results_yaml/logs/unrelated/estimate.log" \
            "      lorvex-extend: " "  finished: two_files, interleaved "; do
    grep -qF -- "$line" "$work/yaml.log" || { cat "$work/yaml.log"; fail "end summary: no '$line'"; }
done
for sample in two_files interleaved; do
    for file in contigs.fa summary.tsv bases.tsv votes.svg estimate.tsv prep_stats.tsv; do
        cmp "$work/results/$sample/$file" "$work/results_yaml/$sample/$file" ||
            fail "$sample: $file of the YAML form differs from the sheet's"
    done
done
cmp "$work/results/two_files/scaffolds.fa" "$work/results_yaml/two_files/scaffolds.fa" ||
    fail "two_files: scaffolds of the YAML form differ from the sheet's"

# Before anything runs, a typo is refused by name (config_test.py checks the other mistakes).
sed 's/^extend: .*/extend: {both: true, min_vote: 5}/' "$work/sheet.yaml" > "$work/typo.yaml"
"${workflow[@]}" --configfile "$work/typo.yaml" --cores 1 -n > "$work/typo.log" 2>&1 && fail "a typo accepted"
grep -qF "the config: unknown key 'extend.min_vote' (extend takes both," "$work/typo.log" ||
    { cat "$work/typo.log"; fail "typo: no message naming it"; }

# A second run has nothing to do and removes what interrupted jobs left.
touch "$work/results/two_files/contigs.fa.partial-Ab12Cd" "$work/results/interleaved/summary.tsv.partial"
"${workflow[@]}" --configfile "$work/sheet.yaml" --cores 2 > "$work/again.log" 2>&1 ||
    { cat "$work/again.log"; fail "second run failed"; }
grep -q "Nothing to be done" "$work/again.log" || { cat "$work/again.log"; fail "second run did work"; }
[ -z "$(find "$work/results" -name '*.partial*')" ] || fail "partial files left: $(find "$work/results" -name '*.partial*')"

"${workflow[@]}" --configfile "$work/sheet.yaml" --profile "$source_dir/workflow/profiles/slurm" -n -F > "$work/dry.log" 2>&1 ||
    { cat "$work/dry.log"; fail "dry run of the SLURM profile failed"; }
# The job table (rule, count, threads) and every job's resources.
for jobs in "prep +1 +1 +1" "prep_text +1 +1 +1" "estimate +2 +2 +2" "extend_chunk +6 +1 +1" "close +1 +2 +2" "total +23 +1 +2"; do
    grep -qE "^$jobs$" "$work/dry.log" || { cat "$work/dry.log"; fail "dry run: no line '$jobs'"; }
done
# Six chunk jobs and the closing job ask for 1,024 MB and two hours.
[ "$(grep -c "resources: .*mem_mb=1024.*runtime=120" "$work/dry.log")" -eq 7 ] ||
    fail "dry run: not 7 jobs of 1,024 MB and 120 minutes"
# Submitted to an sbatch that records its command line and refuses the job (CI: no 10 s pauses).
mkdir "$work/bin"
printf '#!/bin/sh\necho "$@" >> "%s"\nexit 1\n' "$work/sbatch.txt" > "$work/bin/sbatch"
chmod +x "$work/bin/sbatch"
sed "s|^results: .*|results: $work/results_slurm|" "$work/sheet.yaml" > "$work/slurm.yaml"
CI=true PATH="$work/bin:$PATH" "${workflow[@]}" --configfile "$work/slurm.yaml" \
    --profile "$source_dir/workflow/profiles/slurm" --until prep > "$work/slurm.log" 2>&1 || true
slurm_logs=$work/results_slurm/logs/slurm
if ! grep -q -- "--time=120 --output=$slurm_logs/prep-%j.out" "$work/sbatch.txt" || [ ! -d "$slurm_logs" ]; then
    cat "$work/slurm.log"; fail "SLURM logs not under results"
fi
sed -n '/^Job stats:/,/^total/{p;/^total/q}' "$work/dry.log"
echo "workflow_test: sheet and YAML agree, gathered outputs equal one run per sample, report made"
