#!/usr/bin/env bash
# Anchors of K bases against sequencing errors: lorvex-extend selecting pairs
# on their whole first read and on its first K bases, on reads with more and
# more errors.
#
#   bench/anchors_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): the repeat benchmark's 2.5 Mb genome
# and 40 seeds (8 per class: before, inside and after repeat copies, unique),
# art_illumina HiSeq 2500 reads of 2 x 100 from fragments of 400 +- 30 at
# 50x, with the profile's qualities as they are and shifted down
# (LORVEX_BENCH_ANCHOR_SHIFTS, default "0 -5 -7"), which raises the error
# rate (0.14, 0.44 and 0.69 %); the rate is measured from the simulator's
# alignments. A larger shift drops most qualities below the 30 a vote needs,
# so higher rates come from lorvex-bench-data instead: a 1 Mb genome with
# its repeat elements, 50x of 2 x 100 from fragments of 400, 0.2, 1 and 2 %
# of the bases miscalled (LORVEX_BENCH_ANCHOR_ERRORS), rising along the read,
# the other bases of good quality, and 8 seeds of 1,000 bases along it. Every seed is
# extended on both sides by at most 20,000 bases with the programs' defaults
# (distances estimated, repeat guard on) and each anchor rule K:M of
# LORVEX_BENCH_ANCHORS (default "0:measured 0:0 0:1 0:2 40:0 30:0":
# --anchor-length K, 0 the whole read, and --anchor-mismatches M, measured
# when left out, the default), then judged by
# eval_extension.py.
#
# Prints Markdown: one row per error rate and K.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup anchors "$@"

genome=$(generated_genome "$build" repeats 2500000 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 8 1) || exit 1

echo "Anchors against errors: repeat genome ($(cat "$genome/genome.log")), $(grep -c '>' "$seeds/seeds.fa") seeds,"
echo "and a 1 Mb simulated genome, 8 seeds; 2 x 100 reads, 400 +- 30, 50x; at most 20,000 bases a side;"
echo "distances estimated, guard on"
echo
echo "| reads | errors per base | anchor | mismatches | bases added | correct | wrong | seeds with a wrong base | wall s |"
echo "|---|---|---|---|---|---|---|---|---|"
# extend_rules LABEL ERRORS GENOME_FA SEEDS_DIR PREP_DIR: one row per rule.
extend_rules() {
    local set=$1 errors=$2 genome_fa=$3 seeds_dir=$4 prep=$5 rule anchor mismatches label options
    for rule in ${LORVEX_BENCH_ANCHORS:-0:measured 0:0 0:1 0:2 40:0 30:0}; do
        anchor=${rule%%:*} mismatches=${rule#*:}
        label="$set-k$anchor-m$mismatches"
        options=(--anchor-length "$anchor")
        [ "$mismatches" = measured ] || options+=(--anchor-mismatches "$mismatches")
        if extend_and_judge "$label" "$genome_fa" "$seeds_dir" "$prep" --max-bases 20000 \
            "${options[@]}"; then
            [ "$mismatches" = measured ] &&
                mismatches="measured: $(sed -n 's/.*anchors: [0-9]* bases, \([0-9]*\) mismatch.*/\1/p' "$run/$label.log")"
            awk -F'\t' -v s="$set" -v e="$errors" -v k="$anchor" -v m="$mismatches" \
                -v w="$(cut -d' ' -f1 "$run/$label.time")" '{
                printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", s, e,
                    k == 0 ? "whole read" : k, m, $3, $4, $5, $6, w }' "$run/$label.summary"
        else
            echo "| $set | $errors | $anchor | $mismatches | failed: $(tail -n 1 "$run/$label.log") | | | | |"
        fi
    done
}

for shift in ${LORVEX_BENCH_ANCHOR_SHIFTS:-0 -5 -7}; do
    reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11 "" "$shift") || exit 1
    prep=$(prepared_reads "$build" "$reads") || exit 1
    extend_rules "repeat genome, ART, quality shift $shift" "$(cat "$reads/error_rate" 2>/dev/null || echo '?')" \
        "$genome/genome.fa" "$seeds" "$prep"
done
for errors in ${LORVEX_BENCH_ANCHOR_ERRORS:-0.2 1 2}; do
    data="$bench_out/anchors/simulated-1000000-e$errors"
    mkdir -p "$data"
    if ! cached_step "$data"; then
        "$build/lorvex-bench-data" "$data" 1000000 50 100 400 990000 5 60 "$errors" > "$data/data.log" &&
            fasta_bases "$data/genome.fa" | awk '
                { printf "name\tstart\tlength\tstrand\n" > "'"$data"'/seeds.tsv"
                  for (i = 0; i < 8; i++) { start = 50000 + i * 115000
                      print ">s" start; print substr($0, start + 1, 1000)
                      printf "s%d\t%d\t1000\t+\n", start, start > "'"$data"'/seeds.tsv" } }' \
                > "$data/seeds.fa" && mark_done "$data" || exit 1
    fi
    extend_rules "1 Mb simulated, lorvex-bench-data" "$(awk -v e="$errors" 'BEGIN { printf "%.4f", e / 100 }')" \
        "$data/genome.fa" "$data" "$data"
done
exit 0
