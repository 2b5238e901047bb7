#!/usr/bin/env python3
"""Runs a command several times and prints the medians of its wall time, user
time and system time in milliseconds and of its peak resident memory in KiB,
as "WALL USER SYSTEM PEAK" on one line. Times are taken to the microsecond,
which /usr/bin/time (hundredths of a second) does not give for runs of a few
milliseconds; the peak comes from /usr/bin/time, which the command runs under:
a process started from this one would count this interpreter's memory as its
own peak. The times include /usr/bin/time's own, a fraction of a millisecond.
The first run only brings the files into the page cache and is not counted.
Standard output of the command goes to OUTPUT (the last run's), standard
error passes through; a run that fails stops with its status.

    bench/timed_runs.py RUNS OUTPUT COMMAND...
"""
import os
import statistics
import subprocess
import sys
import time


def run_once(command, output_path):
    peak_path = output_path + ".peak"
    with open(output_path, "wb") as output:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak_path] + command,
                                 stdout=output)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        sys.exit(f"timed_runs.py: {command[0]} ended with status {child.returncode}")
    with open(peak_path) as peak:
        peak_kib = int(peak.read().split()[-1])
    os.remove(peak_path)
    return wall * 1e3, usage.ru_utime * 1e3, usage.ru_stime * 1e3, peak_kib


def main():
    if len(sys.argv) < 4:
        sys.exit("usage: bench/timed_runs.py RUNS OUTPUT COMMAND...")
    runs, output_path, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    run_once(command, output_path)
    samples = [run_once(command, output_path) for _ in range(runs)]
    medians = [statistics.median(column) for column in zip(*samples)]
    print(f"{medians[0]:.2f} {medians[1]:.2f} {medians[2]:.2f} {medians[3]:.0f}")


if __name__ == "__main__":
    main()
