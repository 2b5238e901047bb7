#!/usr/bin/env bash
# Circular genomes: lorvex-extend against tadpole and SSAKE on seeds from a
# plasmid-like circle and a mitochondrion-sized one.
#
#   bench/circle_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): organelle-like circles (37 % GC,
# short tandem repeats; lorvex-bench-genome organelle) of 7,000 and 16,500
# bases, art_illumina HiSeq 2500 reads of 2 x 150 from fragments of 500 +- 30
# at 200x, read round the circle (simulated_reads ... circular); and the
# 16,500-base circle at 500x among the reads (20x) of a 2 Mb nuclear genome
# that holds five copies of 1 to 3 kb of circle pieces at 2 to 5 %
# divergence (embed_copies.py); a 150 kb chloroplast-like circle at 200x
# whose two inverted copies of 25 kb enclose a small region of 17 kb
# (inverted_repeat.py), which no side can close. Five seeds of 1,000 bases a circle: at its
# first base, a quarter, half and three quarters of the way round, and one
# running across the genome's end.
#
# lorvex-extend --both --max-bases 40000 (150000 on the 150 kb circle) -j 2,
# the distances and the depth estimated. tadpole.sh mode=extend k=62, el=er
# the same cap; ssake -m 20 -o 2 -r 0.7
# (LORVEX_BENCH_SSAKE=0 skips it). Peers' results are kept in
# bench/out/peer-runs/circle-* and reused (LORVEX_BENCH_RERUN_PEERS=1).
#
# Prints Markdown, one row per set, seed and tool: bases written, closed (the
# record says circular=true), exact (the genome once from the seed's first
# base), whole (the circle held at least once, every base right), correct
# (every base the genome's), the stops, the tool's wall time for the set;
# then the single-copy depth lorvex-extend estimated for each set.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
bench_setup circle "$@"

# circle_seeds GENOME_FA OUT_FA: the five seeds.
circle_seeds() {
    fasta_bases "$1" | awk '{
        n = length($0); twice = $0 $0
        split("0 " int(n / 4) " " int(n / 2) " " int(3 * n / 4) " " (n - 500), at, " ")
        for (i = 1; i <= 5; i++) { print ">at" at[i]; print substr(twice, at[i] + 1, 1000) }
    }' > "$2"
}

# inverted_copies CIRCLE_DIR: the circle with its inverted repeat; prints
# the folder of its genome.fa.
inverted_copies() {
    local dir
    dir=$(dataset_dir "$(basename "$1")-inverted-25000-17000")
    cached_step "$dir" ||
        { python3 "$here/inverted_repeat.py" "$1/genome.fa" "$dir/genome.fa" 25000 17000 \
              > "$dir/regions.log" && mark_done "$dir"; } || return 1
    echo "$dir"
}

# nuclear_background CIRCLE_DIR ORGANELLE_READS_DIR: the organelle's reads
# mixed with those of the nuclear genome; prints the mixed reads folder.
nuclear_background() {
    local circle=$1 organelle=$2 nuclear dir reads mixed mate
    nuclear=$(generated_genome "$build" unique 2000000 5) || return 1
    dir=$(dataset_dir "$(basename "$circle")-nuclear-2000000-s5-copies5")
    cached_step "$dir" ||
        { python3 "$here/embed_copies.py" "$nuclear/genome.fa" "$circle/genome.fa" \
              "$dir/genome.fa" 5 5 > "$dir/copies.tsv" && mark_done "$dir"; } || return 1
    reads=$(simulated_reads "$dir/genome.fa" 150 500 30 20 46) || return 1
    mixed=$(dataset_dir "$(basename "$dir")/mixed-$(basename "$organelle")")
    if ! cached_step "$mixed"; then
        for mate in 1 2; do
            cat "$organelle/reads_$mate.fq" "$reads/reads_$mate.fq" > "$mixed/reads_$mate.fq" ||
                return 1
        done
        mark_done "$mixed"
    fi
    echo "$mixed"
}

echo "| set | seed | tool | bases written | closed | exact | whole | correct | stops | wall s (set) |"
echo "|---|---|---|---|---|---|---|---|---|---|"
depths=()
for set in plasmid mito nuclear inverted; do
    cap=40000
    case $set in
        plasmid) length=7000 seed=2 depth=200 label="plasmid 7000" ;;
        mito) length=16500 seed=3 depth=200 label="circle 16500" ;;
        nuclear) length=16500 seed=3 depth=500 label="circle 16500 at 500x, nuclear 20x" ;;
        inverted) length=150000 seed=4 depth=200 cap=150000 label="150 kb, inverted 25 kb copies" ;;
    esac
    genome=$(generated_genome "$build" organelle "$length" "$seed") || exit 1
    if [ $set = inverted ]; then
        genome=$(inverted_copies "$genome") || exit 1
    fi
    reads=$(simulated_reads "$genome/genome.fa" 150 500 30 "$depth" "$((seed + 40))" circular) ||
        exit 1
    if [ $set = nuclear ]; then
        reads=$(nuclear_background "$genome" "$reads") || exit 1
    fi
    prep=$(prepared_reads "$build" "$reads") || exit 1
    circle_seeds "$genome/genome.fa" "$run/$set.seeds.fa"
    judged=()
    timed "$run/$set.lorvex-extend.time" "$build/lorvex-extend" -s "$run/$set.seeds.fa" \
        -t "$prep/reads.table" -i "$prep/reads.index" --both --max-bases "$cap" -j "$threads" \
        -o "$run/$set.lorvex-extend.fa" --summary-tsv "$run/$set.summary.tsv" \
        2> "$run/$set.lorvex-extend.log" &&
        judged+=("lorvex-extend=$run/$set.lorvex-extend.fa:$run/$set.lorvex-extend.time")
    depths+=("$label: $(grep -o 'single-copy depth [0-9.]* ([a-z]*)' "$run/$set.lorvex-extend.log" || echo 'no single-copy depth')")
    peers="$bench_out/peer-runs/circle-$set-$length-$seed-${depth}x"
    mkdir -p "$peers"
    cached_peer "$peers" tadpole peer_tadpole_extend "$run/$set.seeds.fa" "$reads" "$peers" 62 \
        "$cap" "$threads" && judged+=("tadpole-k62=$peers/tadpole.fa:$peers/tadpole.time")
    if [ "${LORVEX_BENCH_SSAKE:-1}" != 0 ]; then
        cached_peer "$peers" ssake peer_ssake_extend "$run/$set.seeds.fa" "$reads" "$peers" 20 2 \
            0.7 && judged+=("ssake=$peers/ssake.fa:$peers/ssake.time")
    fi
    python3 "$here/eval_circle.py" "$genome/genome.fa" "$run/$set.seeds.fa" "$label" \
        "${judged[@]}"
done
echo
for line in "${depths[@]}"; do echo "- lorvex-extend, $line"; done
