#!/usr/bin/env bash
# Installs the Debian packages a make target needs, only those missing, where
# it can: as root, or through sudo. Without either (a cluster account, say) it
# names what is missing and goes on: the build stops later only when CMake
# cannot find what it needs (CMAKE_PREFIX_PATH points it at a library installed
# elsewhere), and what is only wanted (help2man, liburing) is left out.
#
#   scripts/install-deps.sh PURPOSE...    PURPOSE: build demo test bench deb format
#
# When another package manager holds the dpkg or apt lock, waits for it (up to
# LOCK_WAIT_SECONDS, 10 minutes by default) and says what it waits for.
set -euo pipefail

needed=()  # the purpose fails without them
wanted=()  # the purpose goes on without them, with less
for purpose in "${@:-build}"; do
    case "$purpose" in
    build | demo)
        needed+=(cmake make g++ libcli11-dev zlib1g-dev)
        wanted+=(liburing-dev  # batched table reads
                 help2man) ;;  # the man pages
    test)
        needed+=(cmake make g++ libcli11-dev zlib1g-dev liburing-dev googletest libgtest-dev
                 time                       # the resource tests measure peaks with time(1)
                 clang libclang-rt-14-dev)  # the fuzz targets
        wanted+=(help2man
                 librsvg2-bin  # rsvg-convert: the lorvex-extend tests render its plot
                 snakemake python3-jsonschema multiqc) ;;  # the workflow, its checks and report
    bench)
        needed+=(cmake make g++ libcli11-dev zlib1g-dev liburing-dev libbenchmark-dev time)
        wanted+=(snakemake python3-jsonschema multiqc) ;;
    deb) needed+=(build-essential dpkg-dev debhelper fakeroot lintian cmake libcli11-dev zlib1g-dev
                  liburing-dev help2man) ;;
    format) needed+=(clang-format) ;;
    *)
        echo "install-deps: unknown purpose '$purpose' (build demo test bench deb format)" >&2
        exit 2 ;;
    esac
done

if ! command -v dpkg-query >/dev/null; then
    echo "install-deps: not a Debian system, so packages are not checked; going on" >&2
    exit 0
fi
is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=() missing_needed=() missing_wanted=()
for package in "${needed[@]}" "${wanted[@]}"; do
    is_installed "$package" || [[ " ${missing[*]} " == *" $package "* ]] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
for package in "${missing[@]}"; do
    if [[ " ${needed[*]} " == *" $package "* ]]; then
        missing_needed+=("$package")
    else
        missing_wanted+=("$package")
    fi
done

# Root installs; sudo does when it needs no password or can ask for one.
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && { sudo -n true 2>/dev/null || [ -t 0 ]; }; then
        sudo_cmd=(sudo)
    else
        if [ ${#missing_needed[@]} -gt 0 ]; then
            echo "install-deps: missing ${missing_needed[*]}, and without root or sudo they" \
                "cannot be installed here: ask for them, or point CMAKE_PREFIX_PATH at your own" \
                "copies; going on" >&2
        fi
        if [ ${#missing_wanted[@]} -gt 0 ]; then
            echo "install-deps: going on without ${missing_wanted[*]} (no root or sudo to" \
                "install them)" >&2
        fi
        exit 0
    fi
fi

lock_wait_seconds=${LOCK_WAIT_SECONDS:-600}
lock_files=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
            /var/cache/apt/archives/lock)
script_dir=$(dirname "$0")
"$script_dir/wait-for-locks.sh" "$lock_wait_seconds" "${lock_files[@]}"

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# apt waits for a lock taken between the check above and its own start.
apt_lock=(-o "DPkg::Lock::Timeout=$lock_wait_seconds")
"${sudo_cmd[@]}" apt-get "${apt_lock[@]}" update -qq >/dev/null
"${sudo_cmd[@]}" apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
