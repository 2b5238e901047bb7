"""What the workflow says when a run ends with failed jobs, and the partial
files that interrupted jobs leave behind.

Every job that works for a sample logs to RESULTS/logs/SAMPLE/, so the log
named in Snakemake's 'Error in rule' block tells the sample and the step.
"""
import glob
import os
import re

# What a user of the workflow can do about a failed step, in the config's terms.
HINTS = {
    "estimate": "to give the distances instead: extend.min_distance and extend.max_distance "
    "for this sample, as sheet columns or in its extend block",
}
ERROR = re.compile(r"^Error in rule (\S+):$")
LOG = re.compile(r"^\s+log: (.+?) \(check log file")


def failed_jobs(snakemake_log):
    """(rule, [log files]) of every failed job of a Snakemake run's log."""
    jobs = []
    try:
        with open(snakemake_log, errors="replace") as log:
            for line in log:
                error, logs = ERROR.match(line.strip()), LOG.match(line)
                if error:
                    jobs.append((error.group(1), []))
                elif logs and jobs:
                    jobs[-1][1].extend(path.strip() for path in logs.group(1).split(","))
    except (OSError, TypeError):
        pass
    return jobs


def last_line(path):
    """The last line a failed step wrote to its log: the program's own message."""
    try:
        with open(path, errors="replace") as log:
            lines = [line.strip() for line in log if line.strip()]
    except OSError:
        return ""
    return lines[-1] if lines else ""


def sample_of(log_path, results):
    parts = os.path.relpath(log_path, os.path.join(results, "logs")).split(os.sep)
    return parts[0] if len(parts) > 1 and parts[0] != ".." else None


def failure_report(snakemake_log, results, samples, finished, keep_going):
    """Lines naming each failed sample with its step, log and last message, and the samples
    that did not get to the end; finished(name) tells whether a sample's outputs are all there."""
    failed = {}
    for rule, logs in failed_jobs(snakemake_log):
        name = next((sample_of(path, results) for path in logs if sample_of(path, results)), None)
        failed.setdefault(name, []).append((rule, logs))
    lines = []
    for name in [name for name in samples if name in failed] + [None] * (None in failed):
        for rule, logs in failed[name]:
            what = f"sample {name}" if name else "the study"
            lines.append(f"  {what}: {rule} failed; log: {', '.join(logs) or 'none'}")
            message = last_line(logs[0]) if logs else ""
            if message:
                lines.append(f"      {message}")
            if rule in HINTS:
                lines.append(f"      ({HINTS[rule]})")
    unfinished = [name for name in samples if name not in failed and not finished(name)]
    if unfinished:
        why = ("Snakemake's messages above tell why" if keep_going
               else "add --keep-going to run every sample that can")
        lines.append(f"  not run to the end: {', '.join(unfinished)} ({why})")
    return lines


def remove_partial_files(results):
    """Removes the partial outputs (NAME.partial, NAME.partial-XXXXXX) that a job stopped by a
    signal or a time limit leaves; returns how many."""
    paths = [path for pattern in ("**/*.partial", "**/*.partial-*")
             for path in glob.glob(os.path.join(glob.escape(results), pattern), recursive=True)]
    removed = 0
    for path in paths:
        if os.path.isfile(path):
            try:
                os.remove(path)
                removed += 1
            except OSError:
                pass
    return removed
