#!/usr/bin/env bash
# Libraries of different fragment lengths: lorvex-prep and lorvex-extend with
# distances computed by hand from the simulated distribution, and, when the
# build's lorvex-extend can estimate them, with the estimated distances.
#
#   bench/fragments_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): a 1 Mb genome without repeat families
# (lorvex-bench-genome repeats --families 0) read by art_illumina (HiSeq 2500
# profile) at 50x as three libraries: 2 x 100 from 300 +- 20, 2 x 100 from
# 500 +- 50, 2 x 150 from 800 +- 80; and the example data (lambda, 2 x 100,
# 400 +- 30, 80x). 12 seeds of 2,000 bases (4 on lambda), both sides, at
# most 20,000 bases a side, --ratio 0.7 and --min-votes 2 (most sides reach
# the 20,000 bases) or 6 (sides stop where the vote depth dips, so the
# lengths show how many votes the distances collect).
#
# Distances by hand, from the mean and sd of the simulation with R the read
# length: F_min = mean - 3 sd, F_max = mean + 3 sd, MIN = max(F_min - R + 20, R),
# MAX = F_max - 1.
#
# With an estimating lorvex-extend, a second table shows the estimates
# themselves (--fragments-tsv of the estimated run, and --estimate-only on 12
# seeds of 1,000 bases, where the size weighting matters most) against the
# simulated mean, with the CPU time of the estimate-only run.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup fragments "$@"
estimates=no
"$build/lorvex-extend" --help 2>&1 | grep -q -- --estimate-only && estimates=yes

extension=(--ratio 0.7 --max-bases 20000)
genome=$(generated_genome "$build" unique 1000000 2) || exit 1
lambda=$(example_reads) || exit 1

row() {  # LIBRARY READS DISTANCES LABEL PAIRS VOTES
    awk -F'\t' -v library="$1" -v reads="$2" -v distances="$3" -v pairs="$5" -v votes="$6" '{
        printf "| %s | %s | %s | %s | %s | %d | %d | %d | %d | %.0f |\n", library, reads, pairs,
            votes, distances, $2, $3, $4, $5, $3 / (2 * $2) }' "$run/$4.summary"
}

echo "| library | reads | pairs | min votes | distances | seeds | bases added | correct | wrong | mean added per side |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for library in "100 300 20" "100 500 50" "150 800 80" "lambda"; do
    if [ "$library" = lambda ]; then
        read -r length mean sd <<< "100 400 30"
        genome_dir=$lambda reads=$lambda per_class=4 label=lambda-400-30
    else
        read -r length mean sd <<< "$library"
        genome_dir=$genome per_class=12 label="$length-$mean-$sd"
        reads=$(simulated_reads "$genome/genome.fa" "$length" "$mean" "$sd" 50 21) || continue
    fi
    seeds=$(repeat_seeds "$build" "$genome_dir" "$per_class" 3 2000) || continue
    prep=$(prepared_reads "$build" "$reads") || continue
    pairs=$(grep -o '[0-9,]* pairs read' "$prep/prep.log" | cut -d' ' -f1 | tr -d ,)
    min=$((mean - 3 * sd - length + 20))
    [ "$min" -ge "$length" ] || min=$length
    max=$((mean + 3 * sd - 1))
    echo "$label $mean $sd $min $max $prep $per_class" >> "$run/libraries"
    for votes in 2 6; do
        if extend_and_judge "$label-hand-v$votes" "$genome_dir/genome.fa" "$seeds" "$prep" \
            --min-distance "$min" --max-distance "$max" --min-votes $votes "${extension[@]}"; then
            row "$mean +- $sd" "2 x $length" "$min-$max (by hand)" "$label-hand-v$votes" "$pairs" $votes
        fi
        if [ $estimates = yes ] &&
            extend_and_judge "$label-estimated-v$votes" "$genome_dir/genome.fa" "$seeds" "$prep" \
                --min-votes $votes "${extension[@]}" \
                --fragments-tsv "$run/$label-2000.fragments.tsv"; then
            estimated=$(grep -o 'min-distance [0-9]* .*max-distance [0-9]*' \
                "$run/$label-estimated-v$votes.log" | head -n 1 | awk '{ print $2 "-" $NF }')
            row "$mean +- $sd" "2 x $length" "${estimated:-?} (estimated)" \
                "$label-estimated-v$votes" "$pairs" $votes
        fi
    done
done

[ $estimates = yes ] || exit 0
short_seeds=$(repeat_seeds "$build" "$genome" 12 4 1000) || exit 1
tsv_value() { awk -F'\t' -v key="$2" '$1 == key { print $2 }' "$1"; }
echo
echo "| library | seeds | pairs used | median (error) | quartiles | fragments taken | distances by hand | distances estimated | --estimate-only CPU s |"
echo "|---|---|---|---|---|---|---|---|---|"
while read -r label mean sd min max prep per_class; do
    for seed_length in 2000 1000; do
        tsv="$run/$label-$seed_length.fragments.tsv"
        cpu=
        count=$per_class
        if [ $seed_length = 1000 ]; then
            [[ $label = lambda* ]] && continue
            count=12
            /usr/bin/time -f '%U %S' -o "$run/$label-1000.estimate.time" "$build/lorvex-extend" \
                -s "$short_seeds/seeds.fa" -t "$prep/reads.table" -i "$prep/reads.index" \
                --estimate-only --fragments-tsv "$tsv" > "$run/$label-1000.estimate" 2>&1 ||
                { echo "| $mean +- $sd | 12 x 1000 | refused: $(tail -n 1 "$run/$label-1000.estimate") |"; continue; }
            cpu=$(awk '{ printf "%.2f", $1 + $2 }' "$run/$label-1000.estimate.time")
        fi
        [ -e "$tsv" ] || continue
        median=$(tsv_value "$tsv" median)
        printf '| %s +- %s | %s x %s | %s | %.1f (%+.1f %%) | %.0f, %.0f | %.0f-%.0f | %s-%s | %s-%s | %s |\n' \
            "$mean" "$sd" "$count" "$seed_length" "$(tsv_value "$tsv" pairs)" "$median" \
            "$(awk -v m="$median" -v t="$mean" 'BEGIN { print 100 * (m - t) / t }')" \
            "$(tsv_value "$tsv" lower_quartile)" "$(tsv_value "$tsv" upper_quartile)" \
            "$(tsv_value "$tsv" fragment_low)" "$(tsv_value "$tsv" fragment_high)" "$min" "$max" \
            "$(tsv_value "$tsv" min_distance)" "$(tsv_value "$tsv" max_distance)" "${cpu:--}"
    done
done < "$run/libraries"

# Two libraries in one table, 2 x 100 from 300 +- 20 and from 800 +- 80 at 25x
# each: the estimate must refuse them.
first=$(simulated_reads "$genome/genome.fa" 100 300 20 25 22) || exit 1
second=$(simulated_reads "$genome/genome.fa" 100 800 80 25 23) || exit 1
mixed=$(dataset_dir "$(basename "$genome")/reads-100-300-20-and-800-80-25x")
cached_step "$mixed" ||
    { cat "$first/reads_1.fq" "$second/reads_1.fq" > "$mixed/reads_1.fq" &&
      cat "$first/reads_2.fq" "$second/reads_2.fq" > "$mixed/reads_2.fq" && mark_done "$mixed"; } ||
    exit 1
prep=$(prepared_reads "$build" "$mixed") || exit 1
seeds=$(repeat_seeds "$build" "$genome" 12 3 2000) || exit 1
"$build/lorvex-extend" -s "$seeds/seeds.fa" -t "$prep/reads.table" -i "$prep/reads.index" \
    --estimate-only > "$run/mixed.estimate" 2>&1
status=$?
echo "| 300 +- 20 and 800 +- 80 | 12 x 2000 | status $status: $(tail -n 1 "$run/mixed.estimate" | sed 's/^lorvex-extend: //') |"
