#!/usr/bin/env bash
# Extension through repeats: lorvex-extend against tadpole and SSAKE on seeds
# placed before, inside and after repeat copies and in unique sequence.
#
#   bench/repeat_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): a 2.5 Mb genome with 12 repeat
# families (2 to 100 copies, 0 to 3 % divergence, 300 to 5,000 bases;
# lorvex-bench-genome repeats), 8 seeds of 1,000 bases per class
# (lorvex-bench-seeds), art_illumina HiSeq 2500 reads of 2 x 100 from
# fragments of 400 +- 30 at 50x. Every seed is extended on both sides by at
# most 20,000 bases; each side is then walked along the genome from the
# seed's own locus (eval_extension.py), and the bases after the point where
# it leaves the seed's copy count as wrong.
#
# lorvex-extend: --min-distance 230 --max-distance 490 --min-votes 2
# --ratio 0.7 --max-bases 20000 --both -j 2 (and, when the build has the
# option, once more with --no-repeat-guard). tadpole.sh mode=extend, k=62
# (k=31 stops sooner and errs more here), el=er=20000. ssake -s seeds -i 0
# -m 20 -o 2 -r 0.7 on all reads as unpaired FASTA; LORVEX_BENCH_SSAKE=0
# skips it (about 4 minutes and 2 GB here). The peers' results are kept in
# bench/out/peer-runs/ and reused; LORVEX_BENCH_RERUN_PEERS=1 runs them again.
#
# With the guard, the run's single-copy depth and the sides with fewer
# correct bases than tadpole's are reported. A single-copy control follows:
# the bundled example (16 seeds of 1,000 bases, --min-distance 230
# --max-distance 489 --min-votes 2 --ratio 0.1, both sides), where the guard
# must change no base.
#
# LORVEX_BENCH_REPEAT_DRAWS (default none), e.g. "2 3": other draws of the
# genome, seeds and reads (lorvex-bench-genome and lorvex-bench-seeds with
# that seed, art_illumina -rs 10 + the draw), at each coverage of
# LORVEX_BENCH_REPEAT_COVERAGES (default 50): lorvex-extend alone, with the
# settings above and with its defaults, to see whether the guard holds beyond
# the one genome the rest is measured on.
#
# Prints Markdown: one summary row per tool, then one row per seed.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
bench_setup repeat "$@"

genome=$(generated_genome "$build" repeats 2500000 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 8 1) || exit 1
reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11) || exit 1
prep=$(prepared_reads "$build" "$reads") || exit 1

lorvex_extend() {  # LABEL [OPTION...]
    local label=$1
    shift
    extend_and_judge "$label" "$genome/genome.fa" "$seeds" "$prep" --min-distance 230 \
        --max-distance 490 --min-votes 2 --ratio 0.7 --max-bases 20000 \
        --summary-tsv "$run/$label.summary.tsv" "$@"
}

tools=()
lorvex_extend lorvex-extend && tools+=(lorvex-extend)
if "$build/lorvex-extend" --help 2>&1 | grep -q -- --no-repeat-guard; then
    lorvex_extend lorvex-extend-no-guard --no-repeat-guard && tools+=(lorvex-extend-no-guard)
fi
peers="$bench_out/peer-runs/repeat"
mkdir -p "$peers"
if cached_peer "$peers" tadpole peer_tadpole_extend "$seeds/seeds.fa" "$reads" "$peers" 62 20000 \
    "$threads"; then
    cp "$peers/tadpole.time" "$run/tadpole-k62.time"
    judge_extension tadpole-k62 "$genome/genome.fa" "$seeds" "$peers/tadpole.fa" &&
        tools+=(tadpole-k62)
fi
if [ "${LORVEX_BENCH_SSAKE:-1}" != 0 ]; then
    if cached_peer "$peers" ssake peer_ssake_extend "$seeds/seeds.fa" "$reads" "$peers" 20 2 0.7; then
        cp "$peers/ssake.time" "$run/ssake.time"
        judge_extension ssake "$genome/genome.fa" "$seeds" "$peers/ssake.fa" && tools+=(ssake)
    fi
fi

echo "Repeat genome: $(cat "$genome/genome.log"); $(grep -c '>' "$seeds/seeds.fa") seeds" \
    "(before, inside, after a repeat, unique); 2 x 100 reads, 400 +- 30, 50x; at most 20,000 bases a side"
echo
summary_args=() seed_args=()
for tool in "${tools[@]}"; do
    summary_args+=("$tool=$run/$tool.summary:$run/$tool.time")
    seed_args+=("$tool=$run/$tool.seeds.tsv")
done
python3 "$here/extension_table.py" summary "${summary_args[@]}"
echo
echo "Per seed: correct/wrong bases of each side, and the stop (lorvex-extend)."
echo
python3 "$here/extension_table.py" seeds "${seed_args[@]}"

# The depth the run reported, and the sides below tadpole's correct bases.
single_copy_depth() { grep -o 'single-copy depth [0-9.]* ([a-z]*)' "$1" || echo "no single-copy depth"; }
below_tadpole() {
    awk -F'\t' 'FNR == 1 { file++; next } file == 1 { t[$1 FS $2] = $7; next }
        ($1 FS $2) in t && $7 < t[$1 FS $2] { n++; list = list " " $1 " " $2 " (" $7 " < " t[$1 FS $2] ")" }
        END { printf "%d%s\n", n, (n ? ":" list : "") }' "$run/tadpole-k62.seeds.tsv" "$1"
}
echo
for tool in "${tools[@]}"; do
    case $tool in lorvex-extend*) ;; *) continue ;; esac
    line="$tool: $(single_copy_depth "$run/$tool.log")"
    [ -e "$run/tadpole-k62.seeds.tsv" ] &&
        line+="; sides with fewer correct bases than tadpole: $(below_tadpole "$run/$tool.seeds.tsv")"
    echo "- $line"
done

# Single-copy control: the guard must leave every base of the example as it is.
if [[ " ${tools[*]} " == *" lorvex-extend-no-guard "* ]]; then
    lambda=$(example_reads) || exit 1
    lambda_seeds=$(repeat_seeds "$build" "$lambda" 16 1 1000) || exit 1
    lambda_prep=$(prepared_reads "$build" "$lambda") || exit 1
    for label in lambda lambda-no-guard; do
        guard=()
        [ $label = lambda ] || guard=(--no-repeat-guard)
        extend_and_judge "$label" "$lambda/genome.fa" "$lambda_seeds" "$lambda_prep" \
            --min-distance 230 --max-distance 489 --min-votes 2 --ratio 0.1 "${guard[@]}" ||
            exit 1
    done
    same=no
    cmp -s "$run/lambda.fa" "$run/lambda-no-guard.fa" && same=yes
    echo
    awk -F'\t' -v depth="$(single_copy_depth "$run/lambda.log")" -v same=$same '{
        printf "Single-copy control, the bundled example (%d seeds of 1,000 bases, 230 489 2 0.1, both sides): %s; with the guard %d bases added, %d correct, %d wrong; identical to --no-repeat-guard: %s\n",
            $2, depth, $3, $4, $5, same }' "$run/lambda.summary"
fi

# Other draws: the sides that leave their copy, with either settings.
if [ -n "${LORVEX_BENCH_REPEAT_DRAWS:-}" ]; then
    echo
    echo "Other draws (lorvex-extend alone; bench settings, then defaults with --max-bases 20000):"
    echo
    draw_args=()
    for draw in $LORVEX_BENCH_REPEAT_DRAWS; do
        for coverage in ${LORVEX_BENCH_REPEAT_COVERAGES:-50}; do
            genome=$(generated_genome "$build" repeats 2500000 "$draw") &&
                seeds=$(repeat_seeds "$build" "$genome" 8 "$draw") &&
                reads=$(simulated_reads "$genome/genome.fa" 100 400 30 "$coverage" $((10 + draw))) &&
                prep=$(prepared_reads "$build" "$reads") || exit 1
            for settings in bench defaults; do
                label=draw$draw-${coverage}x-$settings
                if [ $settings = bench ]; then
                    lorvex_extend "$label" || exit 1
                else
                    extend_and_judge "$label" "$genome/genome.fa" "$seeds" "$prep" --max-bases 20000 ||
                        exit 1
                fi
                draw_args+=("$label=$run/$label.summary:$run/$label.time")
                left=$(awk -F'\t' 'NR > 1 && $10 != "-" { printf " %s %s (%s wrong)", $1, $2, $8 }' \
                    "$run/$label.seeds.tsv")
                echo "- $label: sides that left their copy:${left:- none}"
            done
        done
    done
    echo
    python3 "$here/extension_table.py" summary "${draw_args[@]}"
fi
