#!/usr/bin/env bash
# scripts/wait-for-locks.sh waits while a lock is held, names what it waits
# for, returns once the lock is free, and gives up after its time limit.
set -euo pipefail
script=$1
file=$(mktemp)
trap 'rm -f "$file"' EXIT

flock "$file" sleep 2 &
holder=$!
sleep 0.3
messages=$("$script" 10 /nonexistent/lock "$file" 2>&1)
wait "$holder"
grep -q "waiting for $file, locked by process" <<<"$messages" || { echo "no waiting message: $messages"; exit 1; }

flock "$file" sleep 2 &
holder=$!
sleep 0.3
if "$script" 1 "$file" 2>/dev/null; then echo "a held lock past the time limit passed"; exit 1; fi
wait "$holder"

[ -z "$("$script" 1 "$file" 2>&1)" ] || { echo "a free lock was not quiet"; exit 1; }
