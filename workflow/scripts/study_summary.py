#!/usr/bin/env python3
"""The study's summary: one row per sample with what prep kept, the fragment
lengths and the values the sample ran with, its seeds, the sides that stopped
for each reason, the bases added and, where its scaffolds were closed, the
gaps closed and left open.

    study_summary.py OUT NAME PREP_STATS.tsv ESTIMATE.tsv SUMMARY.tsv|- GAPS.tsv|- [NAME ...]

PREP_STATS.tsv is lorvex-prep's --stats, ESTIMATE.tsv lorvex-extend's
--fragments-tsv, SUMMARY.tsv its (gathered) --summary-tsv ('-': no seeds),
GAPS.tsv lorvex-close's --gaps-tsv ('-': no scaffolds closed).
"""
import csv
import os
import sys

from settled_options import key_values

# lorvex-extend's stop reasons, so that the columns stay the same in every study.
STOPS = ["repeat", "no-votes", "too-few-votes", "not-dominant", "repetitive-tail",
         "cap-reached", "no-windows", "seed-too-short"]
# Column: (section, key) of lorvex-prep's statistics of a text table.
PREP = {"pairs_read": ("pairs", "read"), "pairs_kept": ("pairs", "kept"),
        "dropped_short_read": ("dropped", "short_read"), "dropped_not_acgt": ("dropped", "not_acgt"),
        "read_length": ("read_length", "used")}
# The same of a compact table, which keeps reads with N and of every length from its least
# one: the read length is its longest read, as the programs take it.
COMPACT_PREP = {"pairs_read": ("pairs", "read"), "pairs_kept": ("compact", "kept"),
                "dropped_short_read": ("compact", "short_read"),
                "read_length": ("compact", "longest_read")}
# Column: key of the estimate's opening block.
ESTIMATE = {"fragment_median": "median", "fragment_lower_quartile": "lower_quartile",
            "fragment_upper_quartile": "upper_quartile", "min_distance": "min_distance",
            "max_distance": "max_distance", "single_copy_depth": "single_copy_depth"}
EXTENSION = ["seeds", "sides", "bases_added"]
GAPS = ["gaps", "gaps_closed", "gaps_open"]


def rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def column(table, name, path):
    if table and name not in table[0]:
        sys.exit(f"study_summary.py: {path}: no column '{name}'")
    return [row[name] for row in table]


def prep_values(path):
    values = {(row["section"], row["key"]): row["value"] for row in rows(path)}
    columns = PREP if ("pairs", "kept") in values else COMPACT_PREP
    return {name: values.get(columns[name], "") if name in columns else "" for name in PREP}


def sample_row(name, prep_stats, estimate, summary, gaps):
    values = key_values(estimate)
    row = {"sample": name, **prep_values(prep_stats),
           **{name: values.get(key, "") for name, key in ESTIMATE.items()}}
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
    """samples: (name, prep stats, estimate, summary or '-', gaps or '-') for each sample."""
    table = [sample_row(*sample) for sample in samples]
    header = ["sample", *PREP, *ESTIMATE, *EXTENSION]
    stops = {key for row in table for key in row if key.startswith("stop_")}
    header += sorted(stops | {"stop_" + stop for stop in STOPS},
                     key=lambda key: stop_order(key[5:]))
    # The variant counts of each sample join here, after the stop reasons.
    header += GAPS
    partial = out + ".partial"
    with open(partial, "w", newline="") as f:
        writer = csv.DictWriter(f, header, delimiter="\t", lineterminator="\n", restval="")
        writer.writeheader()
        writer.writerows(table)
    os.replace(partial, out)


if __name__ == "__main__":
    args = sys.argv[1:]
    if len(args) < 6 or (len(args) - 1) % 5:
        sys.exit("usage: " + __doc__.strip().splitlines()[5].strip())
    write_study_summary(args[0], [args[i : i + 5] for i in range(1, len(args), 5)])
