#!/usr/bin/env bash
# A library of many duplicates (amplicon or low-input): fragments start at
# few places, each drawn many times (simulate_duplicates.py: a 10 kb genome,
# 2 x 72 from fragments of 126 +- 8, a place every SPACING bases on each
# strand, 20x to 1,000x along the genome). Few pairs then sit at the
# distances whose mates reach a contig's end, while reads still cover it.
#
#   bench/duplicates_bench.sh BUILD_DIR
#
# Two seeds of 1,000 bases, both sides; lorvex-extend from the compact table
# with every setting at its default, and with --no-end-reads (mates only);
# tadpole.sh k=31 and k=62, SSAKE (LORVEX_BENCH_SSAKE=0 leaves it out), their
# results kept in bench/out/peer-runs/duplicates-*. Spacings 100 and 80 (the
# reads of a place then reach the next one or two places). Under a minute.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
bench_setup duplicates "$@"

for spacing in 100 80; do
    data=$(dataset_dir "duplicates-10000-s$spacing") || exit 1
    cached_step "$data" ||
        { python3 "$here/simulate_duplicates.py" "$data" --spacing "$spacing" &&
              "$build/lorvex-prep" -q -f -1 "$data/reads_1.fq" -2 "$data/reads_2.fq" \
                  -o "$data/reads" && mark_done "$data"; } || exit 1
    tools=()
    for rule in default no-end-reads; do
        options=()
        [ "$rule" = default ] || options=(--no-end-reads)
        label=lorvex-$rule-$spacing
        timed "$run/$label.time" "$build/lorvex-extend" -s "$data/seeds.fa" \
            -t "$data/reads.pairs" --both -f -o "$run/$label.fa" \
            --summary-tsv "$run/$label.tsv" "${options[@]}" 2> "$run/$label.log" &&
            judge_extension "$label" "$data/genome.fa" "$data" "$run/$label.fa" &&
            tools+=("lorvex-extend${options[*]:+ ${options[*]}}=$run/$label.summary:$run/$label.time")
    done
    peers="$bench_out/peer-runs/duplicates-$spacing"
    key="reads $(stat -c %s "$data/reads_1.fq") seeds $(md5sum < "$data/seeds.fa" | cut -d' ' -f1)"
    for k in 31 62; do
        peer_inputs_key "$peers" "tadpole-k$k" "k=$k; $key"
        cached_peer "$peers" "tadpole-k$k" peer_tadpole_extend "$data/seeds.fa" "$data" "$peers" \
            "$k" 20000 "$threads" "tadpole-k$k" &&
            judge_extension "tadpole-k$k-$spacing" "$data/genome.fa" "$data" \
                "$peers/tadpole-k$k.fa" &&
            tools+=("tadpole-k$k=$run/tadpole-k$k-$spacing.summary:$peers/tadpole-k$k.time")
    done
    if [ "${LORVEX_BENCH_SSAKE:-1}" != 0 ]; then
        peer_inputs_key "$peers" ssake "$key"
        cached_peer "$peers" ssake peer_ssake_extend "$data/seeds.fa" "$data" "$peers" 20 2 0.7 &&
            judge_extension "ssake-$spacing" "$data/genome.fa" "$data" "$peers/ssake.fa" &&
            tools+=("SSAKE=$run/ssake-$spacing.summary:$peers/ssake.time")
    fi
    echo "Duplicates, a place every $spacing bases: $(($(wc -l < "$data/reads_1.fq") / 4)) pairs"
    echo
    python3 "$here/extension_table.py" summary "${tools[@]}"
    echo
    for side in default no-end-reads; do
        echo "- lorvex-extend $side: $(awk -F'\t' 'NR > 1 { printf "%s %s %s %s; ", $1, $2, $4, $5 }' \
            "$run/lorvex-$side-$spacing.tsv")"
    done
    echo
done
