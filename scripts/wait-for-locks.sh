#!/usr/bin/env bash
# Usage: wait-for-locks.sh SECONDS FILE...
# Waits until no process holds a lock on any FILE, for at most SECONDS, naming
# the file and the process it waits for; fails when the time runs out.
# Locks are found in /proc/locks by device and inode, which needs no root and
# sees both kinds of lock (fcntl, as dpkg and apt take them, and flock).
set -euo pipefail

timeout_seconds=$1
shift

# The process holding a lock on the file, or nothing.
lock_holder() {
    local file=$1
    [ -e "$file" ] || return 0
    local id
    id=$(stat -L -c '%Hd %Ld %i' "$file") || return 0
    read -r major minor inode <<<"$id"
    id=$(printf '%02x:%02x:%s' "$major" "$minor" "$inode")
    awk -v id="$id" '$6 == id { print $5; exit }' /proc/locks
}

waited=0
for file in "$@"; do
    while holder=$(lock_holder "$file") && [ -n "$holder" ]; do
        if [ "$waited" -ge "$timeout_seconds" ]; then
            echo "install-deps: $file is still locked by process $holder after $waited s; try again once it has finished" >&2
            exit 1
        fi
        if [ $((waited % 30)) -eq 0 ]; then
            name=$(cat "/proc/$holder/comm" 2>/dev/null || echo "unknown")
            echo "install-deps: waiting for $file, locked by process $holder ($name), at most ${timeout_seconds} s" >&2
        fi
        sleep 1
        waited=$((waited + 1))
    done
done
