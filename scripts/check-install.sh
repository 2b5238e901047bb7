#!/usr/bin/env bash
# Builds and installs lorvex as a user without root would, on a machine
# without GoogleTest, Google Benchmark or liburing: a copy of the working tree
# is built by an unprivileged user (`nobody` when this runs as root) with CMake
# alone, those three hidden from it; `make install` then puts the programs
# under a scratch PREFIX, where they run on the example and `man` finds their
# pages. A few minutes on two cores; nothing outside the scratch folder changes.
#
#   scripts/check-install.sh
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}

scratch=$(mktemp -d /tmp/lorvex-check-install.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
scripts/copy-worktree.sh "$scratch/source"
mkdir -p "$scratch/home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$scratch"
    chmod 755 "$scratch"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
# A login's environment, nothing inherited.
user_env=(env -i HOME="$scratch/home" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8)
hidden=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
        -DLORVEX_IO_URING=OFF)
run() { "${as_user[@]}" "${user_env[@]}" "$@"; }
fail() { echo "check-install: $*" >&2; exit 1; }

echo "check-install: building as $(run id -un) with CMake alone, without GoogleTest, Google" \
    "Benchmark or liburing (a few minutes)"
cd "$scratch/source"
run cmake -S . -B build "${hidden[@]}" >"$scratch/configure.log" 2>&1 ||
    { cat "$scratch/configure.log"; fail "configure failed"; }
grep -q "table reads one by one" "$scratch/configure.log" || fail "liburing was not left out"
run cmake --build build -j "$jobs" >"$scratch/build.log" 2>&1 ||
    { tail -n 40 "$scratch/build.log"; fail "build failed"; }
for program in lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close; do
    [ -x "build/$program" ] || fail "build/$program was not built"
done
! ls build/*_tests build/micro_benchmarks >/dev/null 2>&1 || fail "tests or benchmarks were built"
# Asked for, the tests need GoogleTest, and say so.
if run cmake -S . -B build-tests -DLORVEX_TESTS=ON "${hidden[@]}" >"$scratch/tests.log" 2>&1; then
    fail "-DLORVEX_TESTS=ON configured without GoogleTest"
fi
grep -q "GTest" "$scratch/tests.log" || fail "-DLORVEX_TESTS=ON failed without naming GoogleTest"

prefix=$scratch/prefix
start=$(date +%s%N)
run make install PREFIX="$prefix" CMAKE_ARGS="${hidden[*]}" >"$scratch/install.log" 2>&1 ||
    { cat "$scratch/install.log"; fail "make install failed"; }
milliseconds=$(( ($(date +%s%N) - start) / 1000000 ))
cat "$scratch/install.log"
printf 'check-install: make install after the build: %d.%02d s, %d lines\n' \
    $((milliseconds / 1000)) $((milliseconds % 1000 / 10)) "$(wc -l <"$scratch/install.log")"

for program in lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close; do
    run "$prefix/bin/$program" --version
done
if ls build/man/*.1 >/dev/null 2>&1; then
    page=$(run env PATH="$prefix/bin:/usr/bin:/bin" man -w lorvex-extend)
    [ "$page" = "$prefix/share/man/man1/lorvex-extend.1" ] || fail "man found '$page'"
    echo "man lorvex-extend: $page"
fi
run scripts/smoke-run.sh "$prefix/bin" "$scratch/home/smoke"
echo "check-install: passed"
