#!/usr/bin/env bash
# Installs the package that scripts/build-deb.sh left in DEB_DIR into a scratch
# root with dpkg, as it would go onto a machine: its dependencies must be
# satisfiable here (apt-get simulates the install), every file lands where the
# man pages say, the programs run on the example, and removing the package
# leaves nothing behind. Nothing outside the scratch root changes.
#
#   scripts/check-deb.sh DEB_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: scripts/check-deb.sh DEB_DIR" >&2
    exit 2
fi
cd "$(dirname "$0")/.."
version=$(dpkg-parsechangelog -S Version)
deb=$(ls "$1"/lorvex_"$version"_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { echo "check-deb: no lorvex_${version}_*.deb in $1 (make deb)" >&2; exit 1; }
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")
fail() { echo "check-deb: $*" >&2; exit 1; }

root=$(mktemp -d /tmp/lorvex-deb-root.XXXXXX)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
not_root=()
[ "$(id -u)" -eq 0 ] || not_root=(--force-not-root)
dpkg_root=(dpkg --root="$root" --log=/dev/null "${not_root[@]}")

# The scratch root has no other packages: the dependencies are checked
# against this machine's instead.
apt-get --simulate -qq install "$deb" >"$root/simulate.log" 2>&1 ||
    { cat "$root/simulate.log"; fail "the dependencies cannot be met here"; }
"${dpkg_root[@]}" --force-depends -i "$deb" >"$root/install.log" 2>&1 ||
    { cat "$root/install.log"; fail "dpkg could not install $deb"; }
echo "check-deb: $(basename "$deb") installed into a scratch root:"
"${dpkg_root[@]}" -L lorvex | grep -E '/bin/|/man1/|README|/workflow$' | sed 's/^/  /'

for program in lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close; do
    [ "$("$root/usr/bin/$program" --version)" = "$program ${version%%-*}" ] ||
        fail "$program --version"
    page=$root/usr/share/man/man1/$program.1.gz
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null) || fail "man $page"
    [ -z "$warnings" ] || fail "$page: $warnings"
done
zgrep -q "/usr/share/doc/lorvex/README.md" "$root/usr/share/man/man1/lorvex.1.gz" ||
    fail "the man pages name another README"
[ -f "$root/usr/share/doc/lorvex/README.md" ] || fail "no README at the place the man pages name"
[ -f "$root/usr/share/lorvex/workflow/Snakefile" ] || fail "no workflow"
scripts/smoke-run.sh "$root/usr/bin" "$root/smoke"

"${dpkg_root[@]}" --purge lorvex >"$root/remove.log" 2>&1 ||
    { cat "$root/remove.log"; fail "dpkg could not remove the package"; }
left=$(cd "$root" && find usr -type f 2>/dev/null || true)
[ -z "$left" ] || fail "files left after removal: $left"
echo "check-deb: removed cleanly; passed"
