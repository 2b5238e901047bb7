#!/usr/bin/env bash
# Quality-trimmed reads: what lorvex-prep keeps with its default read length
# and with -l 70, and how far lorvex-extend gets with each table.
#
#   bench/trimmed_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): the 1 Mb genome of fragments_bench.sh,
# art_illumina reads of 2 x 100 from 400 +- 30 at 50x, then cut as quality
# trimming leaves them (lorvex-bench-trim: 30 to 100 bases, a read kept whole
# with probability 0.45, so about a fifth of the pairs whole; falling
# qualities at the cut). 12 seeds of 1,000 bases, both sides, at most 5,000
# bases a side, --min-votes 2 --ratio 0.7; distances by hand for each read
# length R: MIN = max(310 - R + 20, R), MAX = 489.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
bench_setup trimmed "$@"

genome=$(generated_genome "$build" unique 1000000 2) || exit 1
full=$(simulated_reads "$genome/genome.fa" 100 400 30 50 31) || exit 1
trimmed=$(trimmed_reads "$build" "$full" 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 12 4 1000) || exit 1

echo "Trimmed reads: $(cat "$trimmed/trim.log")"
echo
echo "| lorvex-prep | read length | pairs read | pairs kept | share kept | distances | bases added | correct | wrong | mean added per side |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for setting in default 70; do
    options=()
    [ $setting = default ] || options=(-l "$setting")
    prep=$(prepared_reads "$build" "$trimmed" "${options[@]}") || continue
    length=$(grep -o 'read length [0-9]*' "$prep/prep.log" | head -n 1 | awk '{ print $3 }')
    [ -n "$length" ] || length=$setting
    read -r pairs kept < <(grep -o '[0-9,]* pairs read, [0-9,]* kept' "$prep/prep.log" |
        tr -d ',' | awk '{ print $1, $4 }')
    min=$((310 - length + 20))
    [ "$min" -ge "$length" ] || min=$length
    label="trimmed-$setting"
    extend_and_judge "$label" "$genome/genome.fa" "$seeds" "$prep" --min-distance "$min" \
        --max-distance 489 --min-votes 2 --ratio 0.7 --max-bases 5000 || continue
    awk -F'\t' -v setting="${options[*]:-default}" -v read_length="$length" -v pairs="$pairs" \
        -v kept="$kept" -v distances="$min-489" '{
        printf "| %s | %d | %d | %d | %.0f %% | %s | %d | %d | %d | %.0f |\n", setting, read_length,
            pairs, kept, 100 * kept / pairs, distances, $3, $4, $5, $3 / (2 * $2) }' \
        "$run/$label.summary"
done
