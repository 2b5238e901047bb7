#!/usr/bin/env bash
# Gap closing: scaffolds cut from a genome with known gap contents, closed by
# abyss-sealer and sga gapfill, and by lorvex-close when the build has it.
#
#   bench/gaps_bench.sh BUILD_DIR
#
# Gap sets (lorvex-bench-gaps; made once, kept in bench/out/):
#   lambda      the example genome, 10 gaps of 50 to 2,000 N of their true
#               length, one record; the example reads (2 x 100, 400 +- 30, 80x)
#   lambda-100N the same gaps, each written as 100 N whatever its length
#   repeats     the 2.5 Mb repeat genome of repeat_bench.sh, 100 gaps of 50 to
#               2,000 N in 4 records, 20 of them starting inside a repeat copy;
#               its reads (2 x 100, 400 +- 30, 50x)
#   repeats-100N the same gaps as 100 N each
#   repeats-gG, repeats-100N-gG, and either with -rR: another draw of the
#               gaps (lorvex-bench-gaps --seed G, 1 above) or of the reads
#               (art_illumina -rs R, 11 above), to see whether a change holds
#               beyond the one draw; not in the default list
# Each closer's output is judged gap by gap (eval_gaps.py): closed exactly as
# in the genome, closed otherwise (a misjoin), partly filled, open.
#
# Closers (wall time and peak memory of the whole job, read preparation and
# indexing included; 2 threads):
#   abyss-sealer -b 100M/500M -k 90 -k 80 ... -k 30 -G 2500
#   sga preprocess --pe-mode 1, sga index -a ropebwt, sga gapfill (k 91 to 51)
#   lorvex-prep + lorvex-close -s SCAFFOLDS -t T -i I --min-distance 230
#       --max-distance 489 -j 2 -o OUT --gaps-tsv GAPS, when BUILD_DIR/lorvex-close exists
# The peers' results are kept in bench/out/peer-runs/ and reused (their first
# run takes about 15 minutes, abyss-sealer on the repeat sets most of it);
# LORVEX_BENCH_RERUN_PEERS=1 runs them again, LORVEX_BENCH_GAP_PEERS=0 leaves
# them out. LORVEX_BENCH_GAP_SETS (default "lambda lambda-100N repeats
# repeats-100N") chooses the sets.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
bench_setup gaps "$@"
peer_runs="$bench_out/peer-runs/gaps"

lambda_reads=$(example_reads) || exit 1
genome=$(generated_genome "$build" repeats 2500000 1) || exit 1

# gap_set NAME: prints "SCAFFOLDS_DIR READS_DIR BLOOM_SIZE"
gap_set() {
    local dir
    case $1 in
        lambda | lambda-100N)
            dir=$(gapped_scaffolds "$build" "$lambda_reads/genome.fa" - 10 \
                "$([ "$1" = lambda ] && echo 0 || echo 100)" 1 0 2000 1) || return 1
            echo "$dir $lambda_reads 100M" ;;
        repeats*)
            [[ $1 =~ ^repeats(-100N)?(-g([0-9]+))?(-r([0-9]+))?$ ]] || return 1
            local marker=0 gap_seed=${BASH_REMATCH[3]:-1} read_seed=${BASH_REMATCH[5]:-11} reads
            [ -n "${BASH_REMATCH[1]}" ] && marker=100
            reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 "$read_seed") || return 1
            dir=$(gapped_scaffolds "$build" "$genome/genome.fa" "$genome/genome.repeats.tsv" 100 \
                "$marker" 4 20 3000 "$gap_seed") || return 1
            echo "$dir $reads 500M" ;;
        *) return 1 ;;
    esac
}

judge() {  # SET TOOL SCAFFOLDS_DIR CLOSED_FA
    python3 "$here/eval_gaps.py" "$3/scaffolds.fa" "$3/scaffolds.tsv" "$4" --label "$1 $2" \
        --per-gap "$run/$1/$2.gaps.tsv" > "$run/$1/$2.summary"
}

lorvex_close() {  # SET SCAFFOLDS_DIR READS_DIR
    local out="$run/$1"
    timed "$out/lorvex-prep.time" "$build/lorvex-prep" -q -f -1 "$3/reads_1.fq" \
        -2 "$3/reads_2.fq" -o "$out/lorvex-reads" --format text || return 1
    timed "$out/lorvex-close.only.time" "$build/lorvex-close" -s "$2/scaffolds.fa" \
        -t "$out/lorvex-reads.table" -i "$out/lorvex-reads.index" --min-distance 230 \
        --max-distance 489 -j "$threads" -o "$out/lorvex-close.fa" \
        --gaps-tsv "$out/lorvex-close.tsv" > "$out/lorvex-close.log" 2>&1 || return 1
    # The whole job: wall times add up, the peak is the larger one.
    cat "$out/lorvex-prep.time" "$out/lorvex-close.only.time" |
        awk '{ w += $1; if ($2 > m) m = $2 } END { print w, m }' > "$out/lorvex-close.time"
    rm -f "$out"/lorvex-reads.*
}

results=()
for set in ${LORVEX_BENCH_GAP_SETS:-lambda lambda-100N repeats repeats-100N}; do
    read -r scaffolds reads bloom < <(gap_set "$set") || { echo "   $set: no data" >&2; continue; }
    mkdir -p "$run/$set"
    if [ -x "$build/lorvex-close" ]; then
        if lorvex_close "$set" "$scaffolds" "$reads"; then
            judge "$set" lorvex-close "$scaffolds" "$run/$set/lorvex-close.fa" &&
                results+=("$set lorvex-close")
        else
            echo "   $set: lorvex-close failed, see $run/$set/lorvex-close.log" >&2
        fi
    fi
    [ "${LORVEX_BENCH_GAP_PEERS:-1}" = 0 ] && continue
    peers="$peer_runs/$set"
    mkdir -p "$peers"
    if peer_result_cached "$peers" sealer ||
        { peer_sealer_close "$scaffolds/scaffolds.fa" "$reads" "$peers" 100 2500 "$bloom" "$threads" &&
          touch "$peers/sealer.done"; }; then
        cp "$peers/sealer.time" "$run/$set/sealer.time"
        judge "$set" sealer "$scaffolds" "$peers/sealer.fa" && results+=("$set sealer")
    else
        echo "   $set: abyss-sealer failed, see $peers/sealer.log" >&2
    fi
    if peer_result_cached "$peers" sga ||
        { peer_sga_close "$scaffolds/scaffolds.fa" "$reads" "$peers" "$threads" &&
          touch "$peers/sga.done"; }; then
        cp "$peers/sga.time" "$run/$set/sga.time"
        judge "$set" sga "$scaffolds" "$peers/sga.fa" && results+=("$set sga")
    else
        echo "   $set: sga gapfill failed, see $peers/sga.log" >&2
    fi
done

echo "| gap set | tool | gaps | closed | exact | misjoins | partly filled | open | in repeats: gaps, exact, misjoins, open | wall s | peak MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for result in "${results[@]}"; do
    read -r set tool <<< "$result"
    read -r wall kib < "$run/$set/$tool.time"
    awk -F'\t' -v set="$set" -v tool="$tool" -v wall="$wall" -v kib="$kib" '{
        printf "| %s | %s | %d | %d | %d | %d | %d | %d | %s | %.1f | %.0f |\n", set, tool, $2, $3,
            $4, $5, $6, $7, $9 ? $9 ", " $10 ", " $11 ", " $12 : "-", wall, kib / 1024 }' \
        "$run/$set/$tool.summary"
done
