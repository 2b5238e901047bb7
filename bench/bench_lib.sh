# Shared shell helpers of the benchmark scripts (sourced, not run).
#
#   ensure_debian_packages PACKAGE...   installs the missing ones (apt-get; benchmarks only)
#   timed RESULT_FILE COMMAND...        runs COMMAND, writes "WALL_SECONDS PEAK_KIB" to RESULT_FILE
#   cached_step DIR                     true when DIR/.done exists (the step's outputs are whole)
#   mark_done DIR                       marks DIR whole
#   fasta_bases FASTA                   the bases of the first record on one line

bench_out=${LORVEX_BENCH_OUT:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/out}

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
