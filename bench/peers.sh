# shellcheck shell=bash
# Other tools run on the benchmark inputs, their outputs turned into the form
# the evaluation scripts read (sourced, not run). Each installs its Debian
# package on first use (benchmarks only) and writes, in OUT_DIR:
#   NAME.fa     the normalised result
#   NAME.time   "WALL_SECONDS PEAK_KIB" of the whole job, the tool's own
#               read preparation and indexing included
#   NAME.log    what the tool printed
# and returns non-zero when the tool failed. NAME is the tool's own name unless
# given as the last argument, so that runs with other settings can share OUT_DIR.
#
# Extension from seeds (NAME.fa as lorvex-extend writes it: `>seed left=N right=N`):
#   peer_tadpole_extend SEEDS.fa READS_DIR OUT_DIR K MAX_BASES THREADS [NAME]
#       tadpole.sh mode=extend (bbmap): seeds as `in`, reads as `extra` k-mer data
#   peer_ssake_extend SEEDS.fa READS_DIR OUT_DIR MIN_OVERLAP MIN_READS RATIO [NAME]
#       ssake (ssake) in seeded mode (-s, -i 0) on the reads as unpaired FASTA
# Gap closing (NAME.fa: the scaffolds with the gaps the tool closed filled):
#   peer_sealer_close SCAFFOLDS.fa READS_DIR OUT_DIR READ_LENGTH MAX_GAP BLOOM THREADS
#       abyss-sealer (abyss), k from READ_LENGTH - 10 down to 30 in steps of 10
#   peer_sga_close SCAFFOLDS.fa READS_DIR OUT_DIR THREADS
#       sga preprocess, sga index (ropebwt), sga gapfill (sga), default k 91 to 51
# READS_DIR holds reads_1.fq and reads_2.fq.
#
#   peer_inputs_key OUT_DIR NAME KEY   forgets NAME's kept result in OUT_DIR unless it
#       was made from KEY (one line: the inputs and settings), then records KEY
# shellcheck source=bench/bench_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/bench_lib.sh"
peers_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tadpole=/usr/share/bbmap/tadpole.sh   # Debian keeps the BBTools scripts off the PATH
sealer=/usr/lib/abyss/abyss-sealer    # likewise the ABySS helpers

# The kept result is keyed by what made it: a changed input or setting runs
# the tool again instead of showing an old result beside new ones.
peer_inputs_key() {
    local out=$1 name=$2 key=$3
    mkdir -p "$out"
    [ "$(cat "$out/$name.key" 2>/dev/null)" = "$key" ] && return 0
    rm -f "$out/$name.done"
    printf '%s\n' "$key" > "$out/$name.key"
}

peer_tadpole_extend() {
    local seeds=$1 reads=$2 out=$3 k=$4 max_bases=$5 threads=$6 name=${7:-tadpole}
    ensure_debian_packages bbmap || return 1
    mkdir -p "$out"
    # Java takes most of the memory by default; 4 GB is plenty for a few Mb.
    timed "$out/$name.time" "$tadpole" -Xmx4g mode=extend in="$seeds" \
        extra="$reads/reads_1.fq,$reads/reads_2.fq" out="$out/$name.raw.fa" \
        el="$max_bases" er="$max_bases" k="$k" threads="$threads" ow=t \
        > "$out/$name.log" 2>&1 || return 1
    python3 "$peers_here/normalise_extended.py" "$seeds" "$out/$name.raw.fa" "$out/$name.fa"
}

peer_ssake_extend() {
    local seeds=$1 reads=$2 out=$3 overlap=$4 min_reads=$5 ratio=$6 name=${7:-ssake}
    ensure_debian_packages ssake || return 1
    mkdir -p "$out"
    # SSAKE reads FASTA; both reads of every pair extend the seeds alike.
    # -i 0: the seeds themselves are extended (not only used to recruit reads);
    # -w 1: every seed is processed whatever its coverage; -h 1 saves memory.
    # Its result depends on Perl's hash order, random per run unless fixed.
    PERL_HASH_SEED=0 PERL_PERTURB_KEYS=0 timed "$out/$name.time" bash -c '
        cd "$1" &&
        awk '\''NR % 4 == 1 { print ">" substr($1, 2) } NR % 4 == 2'\'' \
            "$2/reads_1.fq" "$2/reads_2.fq" > "$7.reads.fa" &&
        ssake -f "$7.reads.fa" -s "$3" -i 0 -w 1 -h 1 -m "$4" -o "$5" -r "$6" -b "$7"' \
        ssake "$out" "$reads" "$(cd "$(dirname "$seeds")" && pwd)/$(basename "$seeds")" \
        "$overlap" "$min_reads" "$ratio" "$name" > "$out/$name.log" 2>&1 || return 1
    rm -f "$out/$name.reads.fa"
    [ -s "$out/${name}_contigs.fa" ] || return 1
    python3 "$peers_here/normalise_extended.py" "$seeds" "$out/${name}_contigs.fa" "$out/$name.fa"
}

peer_sealer_close() {
    local scaffolds=$1 reads=$2 out=$3 read_length=$4 max_gap=$5 bloom=$6 threads=$7
    ensure_debian_packages abyss || return 1
    mkdir -p "$out"
    local k kmers=()
    for ((k = read_length - 10; k >= 30; k -= 10)); do kmers+=(-k "$k"); done
    timed "$out/sealer.time" "$sealer" -b "$bloom" "${kmers[@]}" -G "$max_gap" -j "$threads" \
        -o "$out/sealer" -S "$scaffolds" "$reads/reads_1.fq" "$reads/reads_2.fq" \
        > "$out/sealer.log" 2>&1 || return 1
    mv "$out/sealer_scaffold.fa" "$out/sealer.fa"
}

peer_sga_close() {
    local scaffolds=$1 reads=$2 out=$3 threads=$4
    ensure_debian_packages sga || return 1
    mkdir -p "$out"
    # gapfill writes scaffolds.gapfill.fa into the working folder for scaffolds.fa.
    timed "$out/sga.time" bash -c '
        cd "$1" &&
        sga preprocess --seed 1 --pe-mode 1 -o sga.reads.fq "$2/reads_1.fq" "$2/reads_2.fq" &&
        sga index -a ropebwt -t "$4" sga.reads.fq &&
        cp "$3" scaffolds.fa &&
        sga gapfill -p sga.reads -t "$4" scaffolds.fa' \
        sga "$out" "$reads" "$(cd "$(dirname "$scaffolds")" && pwd)/$(basename "$scaffolds")" \
        "$threads" > "$out/sga.log" 2>&1 || return 1
    rm -f "$out"/sga.reads.* "$out/scaffolds.fa"
    mv "$out/scaffolds.gapfill.fa" "$out/sga.fa"
}
