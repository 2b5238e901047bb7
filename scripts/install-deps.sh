#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only those missing.
set -euo pipefail

packages=(cmake make g++ googletest libgtest-dev libbenchmark-dev libcli11-dev zlib1g-dev
          clang libclang-rt-14-dev clang-format time
          librsvg2-bin   # rsvg-convert: the lorvex-extend tests render its plot
          snakemake)     # the workflow in workflow/ and its test

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq >/dev/null
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
