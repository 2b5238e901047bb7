# shellcheck shell=bash
# Benchmark data sets, made once and kept under bench/out/ (git-ignored) in
# folders named after their parameters (sourced, not run). Each function
# prints the folder that holds its result. BUILD must hold the
# lorvex-bench-* tools and lorvex-prep.
#
#   generated_genome BUILD KIND LENGTH SEED   genome.fa (and genome.repeats.tsv); KIND is
#                                          repeats, unique (no repeat family) or organelle
#   repeat_seeds BUILD GENOME_DIR PER_CLASS SEED [LENGTH]   seeds.fa, seeds.tsv
#   gapped_scaffolds BUILD GENOME_FA REPEATS_TSV|- GAPS MARKER RECORDS IN_REPEATS SPACING SEED
#                                          scaffolds.fa, scaffolds.tsv
#   simulated_reads GENOME_FA READ_LENGTH MEAN SD COVERAGE SEED [circular] [QUALITY_SHIFT]
#                                          reads_1.fq, reads_2.fq (art_illumina, HiSeq 2500 profile;
#                                          a negative QUALITY_SHIFT lowers the qualities and so
#                                          raises the error rate, measured into error_rate)
#   trimmed_reads BUILD READS_DIR SEED     reads_1.fq, reads_2.fq cut as quality trimming leaves them
#   prepared_reads BUILD READS_DIR [LORVEX-PREP OPTION...]   reads.table, reads.index
#                                                           (or as --format says)
#   example_reads                          reads_1.fq, reads_2.fq, genome.fa of examples/
#   deep_reads BUILD                       the deep-coverage reads (organelle-like, 2,000x)
# shellcheck source=bench/bench_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_lib.sh"

# A folder under bench/out/ for the given key; prints its path.
dataset_dir() {
    local dir="$bench_out/$1"
    mkdir -p "$dir"
    echo "$dir"
}

# KIND: repeats (12 repeat families), unique (none) or organelle (37 % GC).
generated_genome() {
    local build=$1 kind=$2 length=$3 seed=$4 dir options
    case $kind in
        repeats) options=(repeats) ;;
        unique) options=(repeats --families 0) ;;
        organelle) options=(organelle) ;;
        *) echo "generated_genome: unknown kind $kind" >&2; return 1 ;;
    esac
    dir=$(dataset_dir "$kind-$length-s$seed")
    cached_step "$dir" ||
        { "$build/lorvex-bench-genome" "${options[@]}" --out "$dir/genome" --length "$length" \
              --seed "$seed" > "$dir/genome.log" && mark_done "$dir"; } || return 1
    echo "$dir"
}

# A genome folder without genome.repeats.tsv gets unique seeds only.
repeat_seeds() {
    local build=$1 genome_dir=$2 per_class=$3 seed=$4 length=${5:-1000} dir
    dir=$(dataset_dir "${genome_dir#"$bench_out"/}/seeds-$per_class-$length-s$seed")
    [ -e "$genome_dir/genome.repeats.tsv" ] ||
        printf 'family\tcopy\tstart\tend\tstrand\tlength\tfamily_copies\tdivergence\n' \
            > "$genome_dir/genome.repeats.tsv"
    cached_step "$dir" ||
        { "$build/lorvex-bench-seeds" --genome "$genome_dir/genome.fa" \
              --repeats "$genome_dir/genome.repeats.tsv" --per-class "$per_class" \
              --length "$length" --seed "$seed" --out "$dir/seeds" > "$dir/seeds.log" &&
              mark_done "$dir"; } || return 1
    echo "$dir"
}

gapped_scaffolds() {
    local build=$1 genome=$2 repeats=$3 gaps=$4 marker=$5 records=$6 in_repeats=$7 spacing=$8
    local seed=$9 dir extra=()
    dir=$(dataset_dir "gaps/$(basename "$(dirname "$genome")")-$(basename "$genome" .fa)-g$gaps-m$marker-r$records-i$in_repeats-s$seed")
    [ "$repeats" = - ] || extra=(--repeats "$repeats" --in-repeats "$in_repeats")
    cached_step "$dir" ||
        { "$build/lorvex-bench-gaps" --genome "$genome" --out "$dir/scaffolds" --gaps "$gaps" \
              --marker "$marker" --records "$records" --spacing "$spacing" --seed "$seed" \
              "${extra[@]}" > "$dir/scaffolds.log" && mark_done "$dir"; } || return 1
    echo "$dir"
}

# Paired reads from art_illumina's HiSeq 2500 profile. With `circular`, reads
# also span the genome's end: the simulator reads the genome followed by its
# own first bases, and pairs whose fragment starts in that appended copy are
# dropped, so every start on the circle is equally likely.
simulated_reads() {
    local genome=$1 length=$2 mean=$3 sd=$4 coverage=$5 seed=$6 circular=${7:-} shift=${8:-}
    local dir shifted=() alignments=-na
    dir=$(dataset_dir "$(basename "$(dirname "$genome")")/reads-${length}-${mean}-${sd}-${coverage}x-s$seed${circular:+-circular}${shift:+-qs$shift}")
    if [ -n "$shift" ]; then
        shifted=(-qs "$shift" -qs2 "$shift")
        alignments=""
    fi
    if ! cached_step "$dir"; then
        ensure_debian_packages art-nextgen-simulation-tools || return 1
        local source=$genome art_coverage=$coverage
        if [ -n "$circular" ]; then
            local genome_length wrap
            genome_length=$(fasta_bases "$genome" | tr -d '\n' | wc -c)
            wrap=$((mean + 6 * sd + length))
            source="$dir/wrapped.fa"
            fasta_bases "$genome" | awk -v wrap="$wrap" -v name="$(head -n 1 "$genome" | cut -c2- | cut -d' ' -f1)" '
                { print ">" name; print $0 substr($0, 1, wrap) }' > "$source"
            art_coverage=$(awk -v c="$coverage" -v n="$genome_length" -v w="$wrap" 'BEGIN { printf "%.2f", c * (n + w) / n }')
        fi
        art_illumina -ss HS25 -i "$source" -p -l "$length" -f "$art_coverage" -m "$mean" -s "$sd" \
            -rs "$seed" $alignments "${shifted[@]}" -q ${circular:+-sam} -o "$dir/art_" \
            > "$dir/art.log" 2>&1 || return 1
        if [ -n "$shift" ]; then
            # Substitutions per base over the first reads' alignments (the
            # genome's line, then the read's, after each header line).
            awk '/^>/ { header = NR; next } NR == header + 1 { ref = $0; next }
                 NR == header + 2 { for (i = 1; i <= length($0); i++) { n++; if (substr($0, i, 1) != substr(ref, i, 1)) e++ } }
                 END { printf "%.4f\n", n ? e / n : 0 }' "$dir/art_1.aln" > "$dir/error_rate"
            rm -f "$dir/art_1.aln" "$dir/art_2.aln"
        fi
        if [ -n "$circular" ]; then
            # Names of the pairs whose fragment starts past the genome's end.
            awk -F'\t' -v n="$genome_length" '!/^@/ && int($2 / 64) % 2 == 1 {
                    start = $4 < $8 ? $4 : $8; if (start > n) print $1 }' \
                "$dir/art_.sam" > "$dir/dropped.names" || return 1
            local mate
            for mate in 1 2; do
                awk -v mate="$mate" 'NR == FNR { drop["@" $1 "/" mate] = 1; next }
                     FNR % 4 == 1 { keep = !($1 in drop) } keep' \
                    "$dir/dropped.names" "$dir/art_$mate.fq" > "$dir/reads_$mate.fq" || return 1
            done
            rm -f "$dir/art_.sam" "$dir/art_1.fq" "$dir/art_2.fq" "$source"
        else
            mv "$dir/art_1.fq" "$dir/reads_1.fq"
            mv "$dir/art_2.fq" "$dir/reads_2.fq"
        fi
        mark_done "$dir"
    fi
    echo "$dir"
}

trimmed_reads() {
    local build=$1 reads=$2 seed=$3 dir
    dir=$(dataset_dir "$(basename "$(dirname "$reads")")/$(basename "$reads")-trimmed-s$seed")
    cached_step "$dir" ||
        { "$build/lorvex-bench-trim" --in1 "$reads/reads_1.fq" --in2 "$reads/reads_2.fq" \
              --out "$dir/reads" --seed "$seed" > "$dir/trim.log" && mark_done "$dir"; } ||
        return 1
    echo "$dir"
}

# The table and index of a reads folder, in a subfolder named after the
# lorvex-prep options; the summary lorvex-prep prints is kept in prep.log.
# The text table unless the options give a --format, so that the figures
# stay those of the runs before the compact table (and the cache holds).
prepared_reads() {
    local build=$1 reads=$2 dir
    shift 2
    local key format=(--format text)
    [[ " $* " == *" --format "* ]] && format=()
    key=$(echo "prep $*" | tr -c 'A-Za-z0-9\n' '_' | sed 's/_*$//')
    dir=$(dataset_dir "${reads#"$bench_out"/}/$key")
    cached_step "$dir" ||
        { "$build/lorvex-prep" -f -1 "$reads/reads_1.fq" -2 "$reads/reads_2.fq" \
              -o "$dir/reads" "${format[@]}" "$@" 2> "$dir/prep.log" && mark_done "$dir"; } ||
        return 1
    echo "$dir"
}

# The bundled example reads (lambda phage, 2 x 100, 400 +- 30, 80x) as plain
# FASTQ in a reads folder.
example_reads() {
    local examples dir
    examples=$(cd "$(dirname "${BASH_SOURCE[0]}")/../examples" && pwd)
    dir=$(dataset_dir "examples/reads-lambda")
    cached_step "$dir" ||
        { zcat "$examples/lambda_reads_1.fq.gz" > "$dir/reads_1.fq" &&
          zcat "$examples/lambda_reads_2.fq.gz" > "$dir/reads_2.fq" &&
          cp "$examples/lambda_virus.fa" "$dir/genome.fa" && mark_done "$dir"; } || return 1
    echo "$dir"
}

# The deep-coverage set: an 80 kb organelle-like genome (37 % GC, read as
# circular) at 2,000x, 2 x 150 from fragments of 500 +- 30. Prints the reads
# folder (reads_1.fq, reads_2.fq; genome.fa one level up).
deep_reads() {
    local build=$1 genome
    genome=$(generated_genome "$build" organelle 80000 1) || return 1
    simulated_reads "$genome/genome.fa" 150 500 30 2000 41 circular
}
