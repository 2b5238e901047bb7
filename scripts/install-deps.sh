#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only those missing.
# When another package manager holds the dpkg or apt lock, waits for it (up to
# LOCK_WAIT_SECONDS, 10 minutes by default) and says what it waits for.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev libcli11-dev zlib1g-dev
          clang libclang-rt-14-dev clang-format time
          liburing-dev   # batched table reads
          librsvg2-bin   # rsvg-convert: the lorvex-extend tests render its plot
          snakemake)     # the workflow in workflow/ and its test
packages+=(python3-jsonschema multiqc)  # the workflow's config checks and its report

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

lock_wait_seconds=${LOCK_WAIT_SECONDS:-600}
lock_files=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock /var/lib/apt/lists/lock
            /var/cache/apt/archives/lock)
script_dir=$(dirname "$0")
"$script_dir/wait-for-locks.sh" "$lock_wait_seconds" "${lock_files[@]}"

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
# apt waits for a lock taken between the check above and its own start.
apt_lock=(-o "DPkg::Lock::Timeout=$lock_wait_seconds")
"${sudo_cmd[@]}" apt-get "${apt_lock[@]}" update -qq >/dev/null
"${sudo_cmd[@]}" apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
