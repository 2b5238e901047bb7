# shellcheck shell=bash
# Shared shell helpers of the benchmark scripts (sourced, not run).
#
#   ensure_debian_packages PACKAGE...   installs the missing ones (apt-get; benchmarks only)
#   timed RESULT_FILE COMMAND...        runs COMMAND, writes "WALL_SECONDS PEAK_KIB" to RESULT_FILE
#   cached_step DIR                     true when DIR/.done exists (the step's outputs are whole)
#   mark_done DIR                       marks DIR whole
#   fasta_bases FASTA                   the bases of the first record on one line
#   median                              the median of the numbers on standard input, one a line
#   peer_result_cached DIR TOOL         true when an earlier run left TOOL's result in DIR
#   bench_setup NAME "$@"               checks BUILD_DIR, sets build, run (a fresh output folder), threads
#   judge_extension, extend_and_judge   lorvex-extend runs and contigs judged against the genome
#   startup_figures LABEL BUILD_DIR TABLE INDEX MIN MAX   start-up of lorvex and the literal design

bench_out=${LORVEX_BENCH_OUT:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/out}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

ensure_debian_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "   installing ${missing[*]} (Debian packages, for the benchmarks only)" >&2
    local sudo=
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}" \
        > "$bench_out/apt.log" 2>&1 ||
        { $sudo apt-get update > /dev/null 2>&1 &&
          $sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends \
              "${missing[@]}" >> "$bench_out/apt.log" 2>&1; } ||
        { echo "   could not install ${missing[*]} (see $bench_out/apt.log)" >&2; return 1; }
}

# Wall time and peak memory of a command and its children (the peak is that of
# the largest single process, as /usr/bin/time reports it).
timed() {
    local result=$1
    shift
    /usr/bin/time -f '%e %M' -o "$result.time" "$@"
    local status=$?
    tail -n 1 "$result.time" > "$result"
    rm -f "$result.time"
    return $status
}

cached_step() { [ -e "$1/.done" ]; }
mark_done() { touch "$1/.done"; }

fasta_bases() { awk 'NR > 1 && /^>/ { exit } NR > 1 { printf "%s", $0 } END { print "" }' "$1"; }

mkdir -p "$bench_out"

# peer_result_cached DIR TOOL: true when TOOL's result in DIR is kept from an
# earlier run. Other tools' results on fixed inputs do not change between
# runs, so they are made once (LORVEX_BENCH_RERUN_PEERS=1 makes them anew);
# lorvex's own figures are always measured afresh.
peer_result_cached() {
    [ "${LORVEX_BENCH_RERUN_PEERS:-0}" = 0 ] && [ -e "$1/$2.done" ]
}

# cached_peer PEERS_DIR NAME COMMAND...: a peer's result kept in PEERS_DIR,
# reused when peer_result_cached finds it, else made by COMMAND and marked
# done; when COMMAND fails, one line names its log and the status is 1.
cached_peer() {
    local peers=$1 name=$2
    shift 2
    peer_result_cached "$peers" "$name" && return 0
    if "$@"; then
        touch "$peers/$name.done"
    else
        echo "   $name failed: see $peers/$name.log" >&2
        return 1
    fi
}

bench_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# bench_setup NAME "$@": the common start of bench/NAME_bench.sh: checks for
# the one argument BUILD_DIR (sets build), makes a fresh folder for the run's
# outputs, bench/out/runs/NAME (sets run), and sets threads=2.
bench_setup() {
    local name=$1
    shift
    if [ $# -ne 1 ]; then
        echo "usage: bench/${name}_bench.sh BUILD_DIR" >&2
        exit 2
    fi
    build=$(cd "$1" && pwd) || exit 2
    run="$bench_out/runs/$name"
    rm -rf "$run"
    mkdir -p "$run"
    threads=2
}

# judge_extension LABEL GENOME_FA SEEDS_DIR CONTIGS_FA: eval_extension.py's
# summary line in $run/LABEL.summary, its per-seed rows in $run/LABEL.seeds.tsv.
judge_extension() {
    python3 "$bench_here/eval_extension.py" "$2" "$3/seeds.tsv" "$4" --label "$1" \
        --per-seed "$run/$1.seeds.tsv" > "$run/$1.summary"
}

# extend_and_judge LABEL GENOME_FA SEEDS_DIR PREP_DIR OPTION...: lorvex-extend
# --both on the seeds with the options given, timed ($run/LABEL.time; contigs
# in $run/LABEL.fa, messages in $run/LABEL.log), then judge_extension.
# PREP_DIR holds reads.table and reads.index, or only the compact reads.pairs.
extend_and_judge() {
    local label=$1 genome=$2 seeds=$3 prep=$4
    shift 4
    local tables=(-t "$prep/reads.table" -i "$prep/reads.index")
    [ -e "$prep/reads.table" ] || tables=(-t "$prep/reads.pairs")
    timed "$run/$label.time" "$build/lorvex-extend" -s "$seeds/seeds.fa" "${tables[@]}" \
        --both -j "$threads" -o "$run/$label.fa" "$@" \
        2> "$run/$label.log" && judge_extension "$label" "$genome" "$seeds" "$run/$label.fa"
}

# startup_figures LABEL BUILD_DIR TABLE INDEX MIN_DISTANCE MAX_DISTANCE: the
# start-up of lorvex and of lorvex-literal (the literal design, whose index is
# two dense tables of 4^12 entries) on a 1,000-base seed of random bases that
# no read touches, so that a run stops in its first cycle, after the whole
# start-up. Medians of LORVEX_BENCH_RUNS runs (default 5) of wall, user and
# system time and of peak memory, from bench/timed_runs.py.
startup_figures() {
    local label=$1 build=$2 table=$3 index=$4 min=$5 max=$6 program figures
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-startup.XXXXXX")
    awk 'BEGIN { srand(7); print ">untouched"
                 for (i = 0; i < 1000; i++) printf "%s", substr("ACGT", int(rand() * 4) + 1, 1)
                 print "" }' > "$dir/seed.fa"
    printf '   start-up, %s, a seed no read touches (median of %d):\n' "$label" "${LORVEX_BENCH_RUNS:-5}"
    printf '   %-16s %9s %9s %11s %9s\n' program "wall ms" "user ms" "system ms" "peak MiB"
    for program in lorvex lorvex-literal; do
        figures=$(python3 "$bench_here/timed_runs.py" "${LORVEX_BENCH_RUNS:-5}" "$dir/out" \
            "$build/$program" "$dir/seed.fa" "$table" "$index" "$min" "$max" 2 0.5) || continue
        [ -s "$dir/out" ] && echo "   (the seed was extended by $(wc -l < "$dir/out") bases)"
        echo "$figures" | awk -v p="$program" '{ printf "   %-16s %9.1f %9.1f %11.1f %9.1f\n", p, $1, $2, $3, $4 / 1024 }'
    done
    rm -rf "$dir"
}
