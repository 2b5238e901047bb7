#!/usr/bin/env bash
# Copies the working tree as it is now, committed or not, into DEST: the files
# git knows of or would add, so build folders and outputs stay out.
#
#   scripts/copy-worktree.sh DEST
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: scripts/copy-worktree.sh DEST" >&2
    exit 2
fi
dest=$(mkdir -p "$1" && cd "$1" && pwd)
cd "$(dirname "$0")/.."
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar -cf - --null -T - | tar -xf - -C "$dest"
