#!/usr/bin/env bash
# Quality-trimmed reads: what lorvex-prep keeps at each read length, and how
# far lorvex-extend gets with each table. The text table's rows are the old
# default read length (the most common one), the default (the most pairs
# kept x (R - 20)), -l from 90 down to 50, and the default on the same reads
# untrimmed, where it must keep the full length; then the compact table, and
# tadpole.sh mode=extend (k = 62 and 31) on the same reads and seeds.
#
#   bench/trimmed_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): the 1 Mb genome of fragments_bench.sh,
# art_illumina reads of 2 x 100 from 400 +- 30 at 50x, then cut as quality
# trimming leaves them (lorvex-bench-trim: 30 to 100 bases, a read kept whole
# with probability 0.45, so about a fifth of the pairs whole; falling
# qualities at the cut). 200 seeds of 1,000 bases, both sides, at most 5,000
# bases a side, the votes and ratio at their defaults; distances by hand for each read
# length R: MIN = max(310 - R + 20, R), MAX = 489. The compact table's row
# keeps the short pairs (21 bases and more) and reads them at R = 100, its
# longest read. The tables are made afresh in the run folder, so that a
# change of a default shows at once; lorvex's wall time and peak memory are
# lorvex-extend's, tadpole's its whole run (reading and k-mer counting
# included), kept with its result in bench/out/peer-runs/trimmed/ and reused
# while the inputs' key holds (LORVEX_BENCH_RERUN_PEERS=1 runs it again).
# SSAKE does not finish on these reads in reasonable time and is left out.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
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
echo "| lorvex-prep | read length | pairs read | pairs kept | share kept | distances | bases added | correct | wrong | mean added per side | wall s | peak MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
# table_row SHOWN LABEL READ_LENGTH PAIRS KEPT DISTANCES: the row of $run/LABEL.summary
# and $run/LABEL.time.
table_row() {
    local time
    read -r -a time < "$run/$2.time"
    awk -F'\t' -v shown="$1" -v read_length="$3" -v pairs="$4" -v kept="$5" -v distances="$6" \
        -v wall="${time[0]}" -v kib="${time[1]}" '{
        printf "| %s | %s | %d | %s | %s | %s | %d | %d | %d | %.0f | %.1f | %.0f |\n", shown,
            read_length, pairs, kept, kept == "-" ? "-" : sprintf("%.0f %%", 100 * kept / pairs),
            distances, $3, $4, $5, $3 / (2 * $2), wall, kib / 1024 }' "$run/$2.summary"
}
# row LABEL READS SHOWN FORM [LORVEX-PREP OPTION...]: lorvex-prep --format FORM
# (text or compact) with the options, then lorvex-extend on its table.
row() {
    local label=$1 reads=$2 shown=$3 form=$4
    shift 4
    local prep="$run/prep-$label"
    mkdir -p "$prep"
    "$build/lorvex-prep" -f -1 "$reads/reads_1.fq" -2 "$reads/reads_2.fq" -o "$prep/reads" \
        --format "$form" --stats "$prep/stats.tsv" "$@" 2> "$prep/prep.log" ||
        { echo "   lorvex-prep failed for $label (see $prep/prep.log)" >&2; return 1; }
    local length kept
    if [ "$form" = compact ]; then
        length=$(awk -F'\t' '$1 == "compact" && $2 == "longest_read" { print $3 }' "$prep/stats.tsv")
        kept=$(awk -F'\t' '$1 == "compact" && $2 == "kept" { print $3 }' "$prep/stats.tsv")
    else
        length=$(awk -F'\t' '$1 == "read_length" && $2 == "used" { print $3 }' "$prep/stats.tsv")
        kept=$(awk -F'\t' '$1 == "pairs" && $2 == "kept" { print $3 }' "$prep/stats.tsv")
    fi
    local min=$((310 - length + 20))
    [ "$min" -ge "$length" ] || min=$length
    extend_and_judge "$label" "$genome/genome.fa" "$seeds" "$prep" --min-distance "$min" \
        --max-distance 489 --max-bases 5000 || return 1
    rm -f "$prep/reads.table" "$prep/reads.index" "$prep/reads.pairs"
    table_row "$shown" "$label" "$length" \
        "$(awk -F'\t' '$1 == "pairs" && $2 == "read" { print $3 }' "$prep/stats.tsv")" "$kept" \
        "$min-489"
}
row old-default "$trimmed" "text, old default (most common length): \`-l $most_common\`" text \
    -l "$most_common"
row default "$trimmed" "text, default" text
for length in 90 80 70 60 50; do
    row "l$length" "$trimmed" "text, \`-l $length\`" text -l "$length"
done
row untrimmed "$full" "text, default, untrimmed reads" text
# Every pair whose reads both have 21 bases or more, whole.
row compact "$trimmed" "compact (reads of 21 bases and more)" compact

# tadpole on every read as it is, at most 5,000 bases a side like lorvex-extend.
peers="$bench_out/peer-runs/trimmed"
pairs_read=$(($(wc -l < "$trimmed/reads_1.fq") / 4))
compared=()
for k in 62 31; do
    name=tadpole-k$k
    peer_inputs_key "$peers" "$name" "k=$k max=5000; reads ${trimmed#"$bench_out"/} $(stat -c %s \
        "$trimmed/reads_1.fq" "$trimmed/reads_2.fq" | tr '\n' ' ')seeds $(md5sum < "$seeds/seeds.fa" | cut -d' ' -f1)"
    if cached_peer "$peers" "$name" peer_tadpole_extend "$seeds/seeds.fa" "$trimmed" "$peers" "$k" \
        5000 "$threads" "$name" && cp "$peers/$name.time" "$run/$name.time" &&
        judge_extension "$name" "$genome/genome.fa" "$seeds" "$peers/$name.fa"; then
        table_row "tadpole.sh k=$k (not lorvex-prep: every read as it is)" "$name" - "$pairs_read" - -
        compared+=("$name=$run/$name.seeds.tsv")
    fi
done
echo
echo "Per seed and side, the compact row against the text table's default row and tadpole:"
echo
python3 "$here/compare_seeds.py" --totals "compact=$run/compact.seeds.tsv" \
    "text-default=$run/default.seeds.tsv" "${compared[@]}" || true
