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
#   gzipped_reads READS_DIR LEVEL [drop]   reads_1.fq.gz, reads_2.fq.gz (gzip -LEVEL)
# and prep_row, a timed lorvex-prep run on such files as a Markdown row.
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

# gzipped_reads READS_DIR LEVEL [drop]: gzip copies of the FASTQ, made once; with
# drop, the plain files are deleted once compressed.
gzipped_reads() {
    local reads=$1 level=$2 drop=${3:-} dir
    dir=$(dataset_dir "${reads#"$bench_out"/}/gzip-$level") || return 1
    cached_step "$dir" ||
        { gzip -"$level" -c "$reads/reads_1.fq" > "$dir/reads_1.fq.gz" &&
          gzip -"$level" -c "$reads/reads_2.fq" > "$dir/reads_2.fq.gz" && mark_done "$dir"; } ||
        return 1
    [ -z "$drop" ] || rm -f "$reads/reads_1.fq" "$reads/reads_2.fq"
    echo "$dir"
}

# prep_row LABEL GZIP_DIR PAIRS OPTION...: one lorvex-prep run on the gzip files
# (into $run/LABEL) and its Markdown row: wall, CPU (user + system), system,
# peak MiB, the files' size and bytes a pair.
prep_row() {
    local label=$1 gz=$2 pairs=$3
    shift 3
    local out="$run/$label"
    mkdir -p "$out"
    /usr/bin/time -f '%e %U %S %M' -o "$out/time" "$build/lorvex-prep" -q -f \
        -1 "$gz/reads_1.fq.gz" -2 "$gz/reads_2.fq.gz" -o "$out/reads" "$@" ||
        { echo "   lorvex-prep $* failed" >&2; return 1; }
    local bytes=0 file
    for file in "$out"/reads.table "$out"/reads.index "$out"/reads.pairs; do
        [ -e "$file" ] && bytes=$((bytes + $(stat -c %s "$file")))
    done
    read -r wall user sys kib < "$out/time"
    awk -v label="$label" -v w="$wall" -v u="$user" -v s="$sys" -v k="$kib" -v b="$bytes" \
        -v p="$pairs" 'BEGIN {
        printf "| %s | %.2f | %.2f | %.2f | %.0f | %.1f MB | %.1f |\n", label, w, u + s, s,
            k / 1024, b / 1e6, b / p }'
}

# extension_rows NAME GENOME_FA TEXT_PREFIX COMPACT_PREFIX: lorvex-extend from
# each form on the same seeds: a first run, which reads what the page cache
# lacks (its wall time and major page faults), then the medians of $runs
# more. Where this user may drop the page cache (root), the first run of each
# form starts from an empty one, so that both read their table from disk.
extension_rows() {
    local name=$1 genome=$2 text=$3 compact=$4 out="$run/$1-extend"
    mkdir -p "$out"
    fasta_bases "$genome" | awk -v count=40 '{
        step = int((length($0) - 1000) / count)
        for (i = 0; i < count; i++) printf ">s%d\n%s\n", i, substr($0, 1 + i * step, 1000) }' \
        > "$out/seeds.fa"
    local cold="a first run"
    [ -w /proc/sys/vm/drop_caches ] && cold="a first run from an emptied page cache"
    echo "lorvex-extend from each form (40 seeds of 1,000 bases, --both, --max-bases 5000, one thread; $cold, then the median of $runs):"
    echo
    echo "| table | first run: wall s | major faults | wall s | user s | system s | peak MiB | bases added | output |"
    echo "|---|---|---|---|---|---|---|---|---|"
    local form i
    for form in text compact; do
        local tables=(-t "$text.table" -i "$text.index")
        [ "$form" = compact ] && tables=(-t "$compact.pairs")
        : > "$out/$form.times"
        for ((i = 0; i <= runs; i++)); do
            [ "$i" = 0 ] && [ -w /proc/sys/vm/drop_caches ] && { sync; echo 3 > /proc/sys/vm/drop_caches; }
            /usr/bin/time -f '%e %U %S %M %F' -o "$out/$form.time" "$build/lorvex-extend" -q -f \
                -s "$out/seeds.fa" "${tables[@]}" --both --max-bases 5000 -o "$out/$form.fa" \
                --summary-tsv "$out/$form.tsv" 2> "$out/$form.log" ||
                { echo "   lorvex-extend from the $form table failed (see $out/$form.log)" >&2; continue 2; }
            if [ "$i" = 0 ]; then cp "$out/$form.time" "$out/$form.first"; else cat "$out/$form.time" >> "$out/$form.times"; fi
        done
        local same=reference
        [ "$form" = compact ] && { cmp -s "$out/text.fa" "$out/compact.fa" && same=identical || same=DIFFERS; }
        local column values=()
        for column in 1 2 3 4; do values+=("$(cut -d' ' -f"$column" "$out/$form.times" | median)"); done
        read -r first_wall _ _ _ first_faults < "$out/$form.first"
        awk -F'\t' -v f="$form" -v fw="$first_wall" -v ff="$first_faults" -v w="${values[0]}" \
            -v u="${values[1]}" -v s="${values[2]}" -v k="${values[3]}" -v same="$same" '
            NR > 1 { added += $4 }
            END { printf "| %s | %.2f | %d | %.2f | %.2f | %.2f | %.0f | %d | %s |\n", f, fw, ff, w, u, s,
                  k / 1024, added, same }' "$out/$form.tsv"
    done
    echo
}

# lookup_rows GENOME_FA TEXT_PREFIX COMPACT_PREFIX [KEY]: the time of one
# lookup per anchor window in each form (lorvex-bench-pairs, up to 200,000
# windows along the genome), as Markdown rows; KEY adds compact lookups by the
# first KEY bases.
lookup_rows() {
    local genome=$1 text=$2 compact=$3 key=${4:-} windows=200000 bases
    bases=$(fasta_bases "$genome" | wc -c)
    [ "$bases" -gt $((windows + 2000)) ] || windows=$((bases - 2000))
    echo "Lookups, $(printf "%'d" "$windows") windows along the genome (CPU ns a lookup, one thread):"
    echo
    echo "| lookup | key | ns | entries found |"
    echo "|---|---|---|---|"
    {
        "$build/lorvex-bench-pairs" "$genome" "$compact.pairs" "$windows" 32 "$text.table" \
            "$text.index" | tail -n +2
        [ -z "$key" ] || "$build/lorvex-bench-pairs" "$genome" "$compact.pairs" "$windows" "$key" |
            tail -n +2
    } | awk -F'\t' '{ printf "| %s | %s | %s | %s |\n", $1, $2, $3, $4 }'
}

# prep_heading NAME GZIP_DIR: a set's heading (pairs, gzip bytes) and the
# head of prep_row's table; sets the caller's `pairs` and `gzip_bytes`.
prep_heading() {
    local name=$1 gz=$2
    pairs=$(($(zcat "$gz/reads_1.fq.gz" | wc -l) / 4))
    gzip_bytes=$(($(stat -c %s "$gz/reads_1.fq.gz") + $(stat -c %s "$gz/reads_2.fq.gz")))
    echo "### $name: $(printf "%'d" "$pairs") pairs, gzip FASTQ $(awk -v b="$gzip_bytes" \
        -v p="$pairs" 'BEGIN { printf "%.1f MB, %.1f bytes a pair", b / 1e6, b / p }')"
    echo
    echo "| lorvex-prep | wall s | CPU s | system s | peak MiB | output | bytes a pair |"
    echo "|---|---|---|---|---|---|---|"
}
