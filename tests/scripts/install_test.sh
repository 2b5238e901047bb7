#!/usr/bin/env bash
# scripts/install.sh puts what users run under DESTDIR/PREFIX and says so in a
# few lines: the five programs (each tells its name and version), their man
# pages when help2man made them (they render without groff warnings), the
# workflow, and the README. Run twice, it gives the same.
#
#   install_test.sh SOURCE_DIR BUILD_DIR VERSION
set -euo pipefail
source_dir=$1 build=$2 version=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
# The prefix the build was configured for, which the man pages name.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
fail() { echo "install_test: $*" >&2; exit 1; }

for round in 1 2; do
    report=$(DESTDIR=$root "$source_dir/scripts/install.sh" "$build" "$prefix" 2>&1) ||
        fail "install failed: $report"
    [ "$(wc -l <<<"$report")" -le 6 ] || fail "more than a few lines: $report"
    grep -q "^installed into $root$prefix:" <<<"$report" || fail "no summary: $report"
done

installed=$root$prefix
for program in lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close; do
    [ "$("$installed/bin/$program" --version)" = "$program $version" ] ||
        fail "$program --version"
done
[ "$(find "$installed/bin" -type f | wc -l)" -eq 5 ] || fail "bin/ holds more than the programs"

if ls "$build"/man/*.1 >/dev/null 2>&1; then
    for program in lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close; do
        page=$installed/share/man/man1/$program.1
        [ -f "$page" ] || fail "no man page $page"
        warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$page: $warnings"
        grep -q "^\.SH OPTIONS\|^\.SH DESCRIPTION" "$page" || fail "$page has no description"
    done
    grep -q "$prefix/share/doc/lorvex/README.md" "$installed/share/man/man1/lorvex-extend.1" ||
        fail "the man pages do not point at the installed README"
else
    grep -q "no man pages" <<<"$report" || fail "no man pages, and no word of it: $report"
fi

workflow=$installed/share/lorvex/workflow
for file in Snakefile config.yaml profiles/slurm/config.yaml scripts/gather.py; do
    [ -f "$workflow/$file" ] || fail "the workflow lacks $file"
done
cmp -s "$source_dir/README.md" "$installed/share/doc/lorvex/README.md" || fail "README not installed"
