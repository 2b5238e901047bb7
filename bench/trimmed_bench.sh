#!/usr/bin/env bash
# Quality-trimmed reads: what lorvex-prep keeps at each read length, and how
# far lorvex-extend gets with each table. The rows are the old default (the
# most common read length), the default (the most pairs kept x (R - 20)),
# and -l from 100 down to 50; the last row is the default on the same reads
# untrimmed, where it must keep the full length.
#
#   bench/trimmed_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): the 1 Mb genome of fragments_bench.sh,
# art_illumina reads of 2 x 100 from 400 +- 30 at 50x, then cut as quality
# trimming leaves them (lorvex-bench-trim: 30 to 100 bases, a read kept whole
# with probability 0.45, so about a fifth of the pairs whole; falling
# qualities at the cut). 200 seeds of 1,000 bases, both sides, at most 5,000
# bases a side, --min-votes 2 --ratio 0.7; distances by hand for each read
# length R: MIN = max(310 - R + 20, R), MAX = 489. The compact table's row
# keeps the short pairs (21 bases and more) and reads them at R = 100, its
# longest read. The tables are made afresh
# in the run folder, so that a change of the default shows at once.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup trimmed "$@"

genome=$(generated_genome "$build" unique 1000000 2) || exit 1
full=$(simulated_reads "$genome/genome.fa" 100 400 30 50 31) || exit 1
trimmed=$(trimmed_reads "$build" "$full" 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 200 5 1000) || exit 1

# The most common length of the first 20,000 reads, the default before.
most_common=$(head -n 40000 "$trimmed/reads_1.fq" | cat - <(head -n 40000 "$trimmed/reads_2.fq") |
    awk 'NR % 4 == 2 { n[length($0)]++ } END {
        for (l in n) if (n[l] > best || (n[l] == best && l + 0 > pick)) { best = n[l]; pick = l + 0 }
        print pick }')

echo "Trimmed reads: $(cat "$trimmed/trim.log")"
echo
echo "| lorvex-prep | read length | pairs read | pairs kept | share kept | distances | bases added | correct | wrong | mean added per side |"
echo "|---|---|---|---|---|---|---|---|---|---|"
row() {
    local label=$1 reads=$2 shown=$3
    shift 3
    local prep="$run/prep-$label"
    mkdir -p "$prep"
    "$build/lorvex-prep" -f -1 "$reads/reads_1.fq" -2 "$reads/reads_2.fq" -o "$prep/reads" \
        --stats "$prep/stats.tsv" "$@" 2> "$prep/prep.log" ||
        { echo "   lorvex-prep failed for $label (see $prep/prep.log)" >&2; return 1; }
    local length pairs kept
    length=$(awk -F'\t' '$1 == "read_length" && $2 == "used" { print $3 }' "$prep/stats.tsv")
    pairs=$(awk -F'\t' '$1 == "pairs" && $2 == "read" { print $3 }' "$prep/stats.tsv")
    kept=$(awk -F'\t' '$1 == "pairs" && $2 == "kept" { print $3 }' "$prep/stats.tsv")
    local min=$((310 - length + 20))
    [ "$min" -ge "$length" ] || min=$length
    extend_and_judge "$label" "$genome/genome.fa" "$seeds" "$prep" --min-distance "$min" \
        --max-distance 489 --min-votes 2 --ratio 0.7 --max-bases 5000 || return 1
    rm -f "$prep/reads.table" "$prep/reads.index"
    awk -F'\t' -v shown="$shown" -v read_length="$length" -v pairs="$pairs" -v kept="$kept" \
        -v distances="$min-489" '{
        printf "| %s | %d | %d | %d | %.0f %% | %s | %d | %d | %d | %.0f |\n", shown, read_length,
            pairs, kept, 100 * kept / pairs, distances, $3, $4, $5, $3 / (2 * $2) }' \
        "$run/$label.summary"
}
row old-default "$trimmed" "old default (most common length): \`-l $most_common\`" -l "$most_common"
row default "$trimmed" "default"
for length in 90 80 70 60 50; do
    row "l$length" "$trimmed" "\`-l $length\`" -l "$length"
done
row untrimmed "$full" "default, untrimmed reads"

# The compact table of the trimmed reads: every pair whose reads both have 21
# bases or more, whole.
compact_row() {
    local prep="$run/prep-compact"
    mkdir -p "$prep"
    "$build/lorvex-prep" -f -1 "$trimmed/reads_1.fq" -2 "$trimmed/reads_2.fq" -o "$prep/reads" \
        --format compact --stats "$prep/stats.tsv" 2> "$prep/prep.log" ||
        { echo "   lorvex-prep --format compact failed (see $prep/prep.log)" >&2; return 1; }
    local length pairs kept
    length=$(awk -F'\t' '$1 == "compact" && $2 == "longest_read" { print $3 }' "$prep/stats.tsv")
    pairs=$(awk -F'\t' '$1 == "pairs" && $2 == "read" { print $3 }' "$prep/stats.tsv")
    kept=$(awk -F'\t' '$1 == "compact" && $2 == "kept" { print $3 }' "$prep/stats.tsv")
    local min=$((310 - length + 20))
    [ "$min" -ge "$length" ] || min=$length
    extend_and_judge compact "$genome/genome.fa" "$seeds" "$prep" --min-distance "$min" \
        --max-distance 489 --min-votes 2 --ratio 0.7 --max-bases 5000 || return 1
    awk -F'\t' -v read_length="$length" -v pairs="$pairs" -v kept="$kept" \
        -v distances="$min-489" '{
        printf "| `--format compact` (reads of 21 to %d) | %d | %d | %d | %.0f %% | %s | %d | %d | %d | %.0f |\n",
            read_length, read_length, pairs, kept, 100 * kept / pairs, distances, $3, $4, $5,
            $3 / (2 * $2) }' "$run/compact.summary"
}
compact_row
echo
echo "Per seed and side, the compact row against the default row:"
echo
python3 - "$run/default.seeds.tsv" "$run/compact.seeds.tsv" <<'PY' || true
import csv, sys
def load(path):
    with open(path) as f:
        return {(r["seed"], r["side"]): r for r in csv.DictReader(f, delimiter="\t")}
old, new = load(sys.argv[1]), load(sys.argv[2])
further = nearer = same = 0
gained = wrong_old = wrong_new = 0
for key, row in old.items():
    other = new.get(key)
    if other is None:
        continue
    delta = int(other["correct"]) - int(row["correct"])
    further += delta > 0
    nearer += delta < 0
    same += delta == 0
    gained += delta
    wrong_old += int(row["wrong"])
    wrong_new += int(other["wrong"])
print(f"| sides | compact further | as far | less far | correct bases gained | wrong (default) | wrong (compact) |")
print("|---|---|---|---|---|---|---|")
print(f"| {len(old)} | {further} | {same} | {nearer} | {gained} | {wrong_old} | {wrong_new} |")
PY
