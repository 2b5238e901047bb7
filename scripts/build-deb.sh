#!/usr/bin/env bash
# Builds the Debian package (debian/) from the working tree, committed or not,
# in a copy under OUT_DIR, and checks it with lintian, which must report no
# error. Leaves OUT_DIR/lorvex_VERSION_ARCH.deb, the .changes file and the
# build's log; a few minutes on two cores.
#
#   scripts/build-deb.sh OUT_DIR
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: scripts/build-deb.sh OUT_DIR" >&2
    exit 2
fi
cd "$(dirname "$0")/.."
mkdir -p "$1"
out=$(cd "$1" && pwd)
version=$(dpkg-parsechangelog -S Version)
source=$out/lorvex-$version
rm -rf "$source" "$out"/lorvex_"$version"_* "$out"/lorvex-dbgsym_"$version"_*

scripts/copy-worktree.sh "$source"

echo "building the package lorvex $version in $out/ (a few minutes)"
log=$out/build.log
if ! (cd "$source" && dpkg-buildpackage -us -uc -b -j"${JOBS:-$(nproc)}") >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "build-deb: dpkg-buildpackage failed; the whole log is $log" >&2
    exit 1
fi
rm -rf "$source"

changes=$(ls "$out"/lorvex_"$version"_*.changes)
echo "lintian $(basename "$changes"):"
status=0
lintian --fail-on error --info "$changes" || status=$?
[ $status -eq 0 ] || { echo "build-deb: lintian reports errors" >&2; exit 1; }
ls "$out"/lorvex_"$version"_*.deb
