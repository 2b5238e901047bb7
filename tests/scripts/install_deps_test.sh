#!/usr/bin/env bash
# scripts/install-deps.sh installs only what is missing, as root or through
# sudo; without either it names what is missing, needed apart from wanted,
# and goes on. Package manager, sudo and user are stand-ins on a PATH of
# their own, so nothing is installed.
#
#   install_deps_test.sh SCRIPTS_DIR
set -euo pipefail
scripts=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_deps_test: $*" >&2; exit 1; }

# The script under test beside a lock wait that returns at once.
mkdir -p "$work/scripts" "$work/bin"
cp "$scripts/install-deps.sh" "$work/scripts/"
printf '#!/usr/bin/env bash\n' >"$work/scripts/wait-for-locks.sh"
chmod +x "$work/scripts/wait-for-locks.sh"
for tool in bash env grep dirname cat; do ln -s "$(command -v "$tool")" "$work/bin/$tool"; done
# dpkg-query knows the packages listed in $work/installed; apt-get and sudo
# log how they were called; id reports $work/uid.
cat >"$work/bin/dpkg-query" <<STUB
#!/usr/bin/env bash
package=\${@: -1}
grep -qx "\$package" "$work/installed" && printf 'install ok installed'
exit 0
STUB
cat >"$work/bin/apt-get" <<STUB
#!/usr/bin/env bash
echo "apt-get \$*" >>"$work/calls"
STUB
cat >"$work/bin/sudo" <<STUB
#!/usr/bin/env bash
[ "\$1" = -n ] && { [ -e "$work/sudo-works" ]; exit; }
echo "sudo" >>"$work/calls"
"\$@"
STUB
cat >"$work/bin/id" <<STUB
#!/usr/bin/env bash
cat "$work/uid"
STUB
chmod +x "$work"/bin/*

run() {  # run UID PURPOSE...: the script's messages; its status in $status
    echo "$1" >"$work/uid"
    shift
    rm -f "$work/calls"
    status=0
    messages=$(PATH=$work/bin "$work/scripts/install-deps.sh" "$@" 2>&1 </dev/null) || status=$?
}
everything="cmake make g++ libcli11-dev zlib1g-dev liburing-dev help2man"

# All there: silent, nothing run.
tr ' ' '\n' <<<"$everything" >"$work/installed"
run 1000 build
[ $status -eq 0 ] && [ -z "$messages" ] && [ ! -e "$work/calls" ] || fail "all there: $messages"

# A user without sudo: what is needed and what is wanted are named apart; it goes on.
tr ' ' '\n' <<<"cmake make g++ zlib1g-dev liburing-dev" >"$work/installed"
run 1000 build
[ $status -eq 0 ] || fail "a user without sudo stopped: $messages"
[ ! -e "$work/calls" ] || fail "a user without sudo ran $(cat "$work/calls")"
grep -q "missing libcli11-dev, and without root or sudo" <<<"$messages" || fail "$messages"
grep -q "going on without help2man" <<<"$messages" || fail "$messages"

# Root installs exactly the missing packages; a user with sudo does so through it.
run 0 build
grep -q "^apt-get .*install .* libcli11-dev help2man$" "$work/calls" || fail "root: $(cat "$work/calls")"
! grep -q sudo "$work/calls" || fail "root went through sudo"
touch "$work/sudo-works"
run 1000 build
grep -q "^sudo$" "$work/calls" && grep -q "libcli11-dev help2man$" "$work/calls" ||
    fail "sudo: $(cat "$work/calls")"

# Purposes add up without repeating a package; an unknown one is refused.
run 0 build test
[ "$(grep -o ' help2man' "$work/calls" | wc -l)" -eq 1 ] || fail "help2man asked twice"
grep -q " libgtest-dev" "$work/calls" || fail "test: $(cat "$work/calls")"
run 0 nonsense
[ $status -eq 2 ] && grep -q "unknown purpose 'nonsense'" <<<"$messages" || fail "$messages"

# Without dpkg, nothing is checked and the build goes on.
rm "$work/bin/dpkg-query"
run 1000 build
[ $status -eq 0 ] && grep -q "not a Debian system" <<<"$messages" || fail "$messages"
