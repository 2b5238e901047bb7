#!/usr/bin/env bash
# Installs a build's programs, man pages, workflow and README under PREFIX
# (below DESTDIR when it is set) and says in a few lines what went where. CMake's
# own listing is shown only when the install fails.
#
#   [DESTDIR=DIR] scripts/install.sh BUILD_DIR PREFIX
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: [DESTDIR=DIR] scripts/install.sh BUILD_DIR PREFIX" >&2
    exit 2
fi
build=$1
prefix=$2
root=${DESTDIR:-}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >"$log" 2>&1; then
    cat "$log" >&2
    if [ -z "$root" ] && [ ! -w "$(dirname "$prefix")" ] && [ "$(id -u)" -ne 0 ]; then
        echo "install: $prefix is not writable; without root, install under your home:" \
            "make install PREFIX=\$HOME/.local" >&2
    fi
    exit 1
fi

# Counts the installed files of one kind from CMake's own listing.
manifest=$build/install_manifest.txt
count() { grep -c "$1" "$manifest" || true; }
programs=$(count "/bin/lorvex")
pages=$(count "/man1/lorvex.*\.1$")
workflow=$(count "/lorvex/workflow/")

echo "installed into $root$prefix:"
echo "  bin/: $programs programs (lorvex, lorvex-strict, lorvex-prep, lorvex-extend, lorvex-close)"
if [ "$pages" -gt 0 ]; then
    echo "  share/man/man1/: $pages man pages"
else
    echo "  no man pages: help2man was not found when the build was configured"
fi
echo "  share/lorvex/workflow/: the Snakemake workflow ($workflow files); share/doc/lorvex/README.md"
if [ -z "$root" ] && [[ ":$PATH:" != *":$prefix/bin:"* ]]; then
    echo "  $prefix/bin is not on PATH: add it, and man finds the pages through it too"
fi
