#!/usr/bin/env python3
"""The study's summary: one row per sample with its seeds, the sides that
stopped for each reason, the bases added, the values the sample ran with and,
where its scaffolds were closed, the gaps closed and left open.

    study_summary.py OUT NAME ESTIMATE.tsv SUMMARY.tsv|- GAPS.tsv|- [NAME ...]

ESTIMATE.tsv is lorvex-extend's --fragments-tsv, SUMMARY.tsv its (gathered)
--summary-tsv ('-': no seeds), GAPS.tsv lorvex-close's --gaps-tsv ('-': no
scaffolds closed).
"""
import csv
import os
import sys

from settled_options import key_values

# lorvex-extend's stop reasons, so that the columns stay the same in every study.
STOPS = ["repeat", "no-votes", "too-few-votes", "not-dominant", "repetitive-tail",
         "cap-reached", "no-windows", "seed-too-short"]
VALUES = ["min_distance", "max_distance", "single_copy_depth"]


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def column(table, name, path):
    if table and name not in table[0]:
        sys.exit(f"study_summary.py: {path}: no column '{name}'")
    return [row[name] for row in table]


def sample_row(name, estimate, summary, gaps):
    values = key_values(estimate)
    row = {"sample": name, **{key: values.get(key, "") for key in VALUES}}
    if summary != "-":
        sides = rows(summary)
        stops = column(sides, "stop", summary)
        row.update({"seeds": sum(side == "right" for side in column(sides, "side", summary)),
                    "sides": len(sides),
                    "bases_added": sum(int(added) for added in column(sides, "added", summary))})
        row.update({"stop_" + stop: stops.count(stop) for stop in set(stops) | set(STOPS)})
    if gaps != "-":
        status = column(rows(gaps), "status", gaps)
        row.update({"gaps": len(status), "gaps_closed": status.count("closed"),
                    "gaps_open": status.count("open")})
    return row


def stop_order(stop):
    return (STOPS.index(stop), "") if stop in STOPS else (len(STOPS), stop)


def write_study_summary(out, samples):
    """samples: (name, estimate, summary, gaps or '-') for each sample."""
    table = [sample_row(*sample) for sample in samples]
    header = ["sample", "seeds", "sides", "bases_added"] + VALUES
    stops = {key for row in table for key in row if key.startswith("stop_")}
    header += sorted(stops | {"stop_" + stop for stop in STOPS},
                     key=lambda key: stop_order(key[5:]))
    header += ["gaps", "gaps_closed", "gaps_open"]
    partial = out + ".partial"
    with open(partial, "w", newline="") as f:
        writer = csv.DictWriter(f, header, delimiter="\t", lineterminator="\n", restval="")
        writer.writeheader()
        writer.writerows(table)
    os.replace(partial, out)


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) < 5 or (len(args) - 1) % 4:
        sys.exit("usage: " + __doc__.strip().splitlines()[4].strip())
    write_study_summary(args[0], [args[i : i + 4] for i in range(1, len(args), 4)])
