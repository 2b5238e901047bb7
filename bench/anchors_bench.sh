#!/usr/bin/env bash
# Anchors of K bases against sequencing errors: lorvex-extend selecting pairs
# on their whole first read and on its first K bases, on reads with more and
# more errors, beside tadpole.sh and SSAKE on the same seeds and reads.
#
#   bench/anchors_bench.sh BUILD_DIR
#
# Data (made once, kept in bench/out/): the repeat benchmark's 2.5 Mb genome
# and 32 seeds (8 per class: before, inside and after repeat copies, unique),
# art_illumina HiSeq 2500 reads of 2 x 100 from fragments of 400 +- 30 at
# 50x, with the profile's qualities as they are and shifted down
# (LORVEX_BENCH_ANCHOR_SHIFTS, default "0 -5 -7"), which raises the error
# rate (0.14, 0.44 and 0.69 %); the rate is measured from the simulator's
# alignments. A larger shift lowers the qualities far more than it raises
# the errors, so higher rates come from lorvex-bench-data instead: a 1 Mb genome with
# its repeat elements, 50x of 2 x 100 from fragments of 400, 0.2, 1 and 2 %
# of the bases miscalled (LORVEX_BENCH_ANCHOR_ERRORS), rising along the read,
# the other bases of good quality, and 8 seeds of 1,000 bases along it. Every seed is
# extended on both sides by at most 20,000 bases with the programs' defaults
# (distances estimated, repeat guard on) and each anchor rule K:M[:any] of
# LORVEX_BENCH_ANCHORS (default "0:measured 0:measured:any 0:0 0:1 0:2 40:0
# 30:0": --anchor-length K, 0 the whole read, and --anchor-mismatches M,
# measured when left out, the default; :any adds --mismatches-at-any-quality),
# from lorvex-prep's text table.
#
# The peers extend the same seeds by at most 20,000 bases a side from the same
# reads as FASTQ (lorvex-bench-data's table written back as pairs):
# tadpole.sh mode=extend with k of LORVEX_BENCH_ANCHOR_TADPOLE_K (default
# "62 31"), and SSAKE (-m 20 -o 2 -r 0.7) unless LORVEX_BENCH_SSAKE=0. A
# peer's result is kept in bench/out/peer-runs/anchors-SET-TOOL/ with the key
# of its inputs and settings and reused while the key holds (the runs are
# deterministic, SSAKE's with its Perl hash seed fixed;
# LORVEX_BENCH_RERUN_PEERS=1 makes them anew), so a kept row shows the wall
# time and peak memory of the run that made it. SSAKE takes about 4 minutes
# and 1.9 GiB on an ART set, 1 minute on a simulated one (about 15 minutes
# of a 20-minute cold run); tadpole 2 to 30 s. A peer's time holds its own
# reading and k-mer counting; lorvex's holds lorvex-extend only, not
# lorvex-prep.
#
# Everything is judged by eval_extension.py. Prints Markdown: one row per
# set, tool and rule; then, per set, the sides where lorvex with the first
# rule has fewer correct bases than a peer (compare_seeds.py).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/datasets.sh"
source "$here/peers.sh"
bench_setup anchors "$@"

genome=$(generated_genome "$build" repeats 2500000 1) || exit 1
seeds=$(repeat_seeds "$build" "$genome" 8 1) || exit 1
read -r -a rules <<< "${LORVEX_BENCH_ANCHORS:-0:measured 0:measured:any 0:0 0:1 0:2 40:0 30:0}"

echo "Anchors against errors: repeat genome ($(cat "$genome/genome.log")), $(grep -c '>' "$seeds/seeds.fa") seeds,"
echo "and a 1 Mb simulated genome, 8 seeds; 2 x 100 reads, 400 +- 30, 50x; at most 20,000 bases a side;"
echo "lorvex-extend: distances estimated, guard on"
echo
echo "| reads | errors per base | tool | anchor | mismatches | bases added | correct | wrong | seeds with a wrong base | wall s | peak MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"

# summary_row READS ERRORS TOOL ANCHOR MISMATCHES LABEL: the row of $run/LABEL.summary
# and $run/LABEL.time.
summary_row() {
    local time
    read -r -a time < "$run/$6.time"
    awk -F'\t' -v s="$1" -v e="$2" -v t="$3" -v k="$4" -v m="$5" -v w="${time[0]}" \
        -v kib="${time[1]}" '
        function commas(n,   digits, grouped) {
            digits = sprintf("%d", n); grouped = ""
            while (length(digits) > 3) {
                grouped = "," substr(digits, length(digits) - 2) grouped
                digits = substr(digits, 1, length(digits) - 3)
            }
            return digits grouped
        }
        { printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %.1f | %.0f |\n", s, e, t, k, m,
              commas($3), commas($4), commas($5), $6, w, kib / 1024 }' "$run/$6.summary"
}

# extend_rules SET READS ERRORS GENOME_FA SEEDS_DIR PREP_DIR: one row per rule.
extend_rules() {
    local set=$1 reads=$2 errors=$3 genome_fa=$4 seeds_dir=$5 prep=$6 rule anchor mismatches quality label
    local options
    for rule in "${rules[@]}"; do
        anchor=${rule%%:*} mismatches=${rule#*:} quality=
        case $mismatches in *:any) mismatches=${mismatches%:any} quality=any ;; esac
        label="$set-k$anchor-m$mismatches${quality:+-$quality}"
        options=(--anchor-length "$anchor")
        [ "$mismatches" = measured ] || options+=(--anchor-mismatches "$mismatches")
        [ -z "$quality" ] || options+=(--mismatches-at-any-quality)
        if extend_and_judge "$label" "$genome_fa" "$seeds_dir" "$prep" --max-bases 20000 \
            "${options[@]}"; then
            [ "$mismatches" = measured ] &&
                mismatches="measured: $(sed -n 's/.*anchors: [0-9]* bases, \([0-9]*\) mismatch.*/\1/p' "$run/$label.log")"
            summary_row "$reads" "$errors" lorvex-extend "$([ "$anchor" = 0 ] && echo 'whole read' || echo "$anchor")" \
                "$mismatches${quality:+ (any quality)}" "$label"
        else
            echo "| $reads | $errors | lorvex-extend | $anchor | $mismatches | failed: $(tail -n 1 "$run/$label.log") | | | | | |"
        fi
    done
}

# peer_rows SET READS ERRORS GENOME_FA SEEDS_DIR FASTQ_DIR: one row per peer,
# each peer's result kept under its inputs' key.
peer_rows() {
    local set=$1 reads=$2 errors=$3 genome_fa=$4 seeds_dir=$5 fastq=$6 k name dir key inputs
    inputs="reads ${fastq#"$bench_out"/} $(stat -c %s "$fastq/reads_1.fq" "$fastq/reads_2.fq" | tr '\n' ' ')seeds $(md5sum < "$seeds_dir/seeds.fa" | cut -d' ' -f1)"
    local runs=()
    for k in ${LORVEX_BENCH_ANCHOR_TADPOLE_K:-62 31}; do
        runs+=("tadpole-k$k:tadpole.sh k=$k:peer_tadpole_extend $k 20000 $threads")
    done
    [ "${LORVEX_BENCH_SSAKE:-1}" = 0 ] || runs+=("ssake:SSAKE:peer_ssake_extend 20 2 0.7")
    local entry tool command
    for entry in "${runs[@]}"; do
        name=${entry%%:*} tool=${entry#*:} command=${tool#*:} tool=${tool%%:*}
        dir="$bench_out/peer-runs/anchors-$set-$name"
        key="$command; $inputs"
        peer_inputs_key "$dir" "$name" "$key"
        read -r -a command <<< "$command"
        if cached_peer "$dir" "$name" "${command[0]}" "$seeds_dir/seeds.fa" "$fastq" "$dir" \
            "${command[@]:1}" "$name" && cp "$dir/$name.time" "$run/$set-$name.time" &&
            judge_extension "$set-$name" "$genome_fa" "$seeds_dir" "$dir/$name.fa"; then
            summary_row "$reads" "$errors" "$tool" - - "$set-$name"
            peers_judged+=("$name=$run/$set-$name.seeds.tsv")
        else
            echo "| $reads | $errors | $tool | - | - | failed: see $dir/$name.log | | | | | |"
        fi
    done
}

# compare SET READS ERRORS: the per-seed comparison of the set, kept for the end.
compare() {
    [ ${#peers_judged[@]} -gt 0 ] && [ -e "$run/$1-k${rules[0]%%:*}-m${rules[0]#*:}.seeds.tsv" ] ||
        return 0
    { echo
      echo "$2, $3 errors per base: lorvex-extend (anchor rule ${rules[0]}) against the peers, per seed and side"
      echo
      python3 "$here/compare_seeds.py" "lorvex=$run/$1-k${rules[0]%%:*}-m${rules[0]#*:}.seeds.tsv" \
          "${peers_judged[@]}"
    } >> "$run/comparisons.md"
}

for shift in ${LORVEX_BENCH_ANCHOR_SHIFTS:-0 -5 -7}; do
    reads=$(simulated_reads "$genome/genome.fa" 100 400 30 50 11 "" "$shift") || exit 1
    prep=$(prepared_reads "$build" "$reads" --format text) || exit 1
    label="repeat genome, ART, quality shift $shift"
    errors=$(awk '{ printf "%.2f %%", 100 * $1 }' "$reads/error_rate" 2>/dev/null || echo '?')
    extend_rules "art-qs$shift" "$label" "$errors" "$genome/genome.fa" "$seeds" "$prep"
    peers_judged=()
    peer_rows "art-qs$shift" "$label" "$errors" "$genome/genome.fa" "$seeds" "$reads"
    compare "art-qs$shift" "$label" "$errors"
done
for errors in ${LORVEX_BENCH_ANCHOR_ERRORS:-0.2 1 2}; do
    data="$bench_out/anchors/simulated-1000000-e$errors"
    mkdir -p "$data/fastq"
    if ! cached_step "$data"; then
        "$build/lorvex-bench-data" "$data" 1000000 50 100 400 990000 5 60 "$errors" > "$data/data.log" &&
            fasta_bases "$data/genome.fa" | awk '
                { printf "name\tstart\tlength\tstrand\n" > "'"$data"'/seeds.tsv"
                  for (i = 0; i < 8; i++) { start = 50000 + i * 115000
                      print ">s" start; print substr($0, start + 1, 1000)
                      printf "s%d\t%d\t1000\t+\n", start, start > "'"$data"'/seeds.tsv" } }' \
                > "$data/seeds.fa" && mark_done "$data" || exit 1
    fi
    # The table holds every pair in both orientations: one of each, as FASTQ,
    # for the peers (equal reads alternate so that repeated pairs stay repeated).
    if ! cached_step "$data/fastq"; then
        awk -F'\t' -v out="$data/fastq/reads" '$1 < $2 || ($1 == $2 && equal++ % 2 == 0) {
                n++; printf "@p%d/1\n%s\n+\n%s\n", n, $1, $3 > (out "_1.fq")
                printf "@p%d/2\n%s\n+\n%s\n", n, $2, $4 > (out "_2.fq") }' "$data/reads.table" &&
            mark_done "$data/fastq" || exit 1
    fi
    label="1 Mb simulated, lorvex-bench-data"
    rate="$errors %"
    extend_rules "sim-e$errors" "$label" "$rate" "$data/genome.fa" "$data" "$data"
    peers_judged=()
    peer_rows "sim-e$errors" "$label" "$rate" "$data/genome.fa" "$data" "$data/fastq"
    compare "sim-e$errors" "$label" "$rate"
done
[ -e "$run/comparisons.md" ] && cat "$run/comparisons.md"
exit 0
