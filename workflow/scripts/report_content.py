#!/usr/bin/env python3
"""The study's numbers as MultiQC custom content: one YAML file per section of
the report's lorvex part, each with its section name, description, plot type
and data per sample.

    report_content.py SUMMARY.tsv OUT_mqc.yaml... [--estimate NAME ESTIMATE.tsv]...

SUMMARY.tsv is study_summary.py's table; each OUT is named
lorvex_SECTION_mqc.yaml for one of the SECTIONS below; each ESTIMATE.tsv
(lorvex-extend --fragments-tsv) gives its sample's fragment lengths.
"""
import csv
import os
import re
import sys

import yaml

PARENT = {
    "parent_id": "lorvex",
    "parent_name": "lorvex",
    "parent_description": "How each sample went: the pairs lorvex-prep kept, the fragment lengths "
    "and distances the estimate settled, the bases lorvex-extend added and why each side "
    "stopped, and the gaps lorvex-close closed (results/study_summary.tsv holds every number).",
}
# Column of the summary: its header in the samples table.
TABLE = {
    "pairs_read": {"title": "Pairs", "description": "pairs read", "format": "{:,.0f}"},
    "pairs_kept_share": {"title": "Kept", "description": "share of the pairs lorvex-prep kept",
                         "suffix": "%", "min": 0, "max": 100, "format": "{:,.1f}"},
    "read_length": {"title": "Read length",
                    "description": "the table's read length (a compact table's longest read)",
                    "format": "{:,.0f}"},
    "fragment_median": {"title": "Fragment", "format": "{:,.1f}",
                        "description": "median fragment length of the pairs inside the seeds"},
    "min_distance": {"title": "Min distance", "description": "settled --min-distance",
                     "format": "{:,.0f}"},
    "max_distance": {"title": "Max distance", "description": "settled --max-distance",
                     "format": "{:,.0f}"},
    "single_copy_depth": {"title": "Depth", "description": "settled single-copy depth",
                          "format": "{:,.1f}"},
    "seeds": {"title": "Seeds", "description": "seeds extended", "format": "{:,.0f}"},
    "bases_added": {"title": "Bases added", "description": "bases added to the seeds, both sides",
                    "format": "{:,.0f}"},
    # The variant counts join here.
    "gaps_closed": {"title": "Closed", "description": "gaps closed", "format": "{:,.0f}"},
    "gaps_open": {"title": "Open", "description": "gaps left open", "format": "{:,.0f}"},
}
PREP = {"pairs_kept": {"name": "kept"},
        "dropped_short_read": {"name": "dropped: a read too short for the table"},
        "dropped_not_acgt": {"name": "dropped: a base other than A, C, G, T"}}


def number(text):
    value = float(text)
    return int(value) if value.is_integer() else value


def summary_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def numbers(row, columns):
    return {column: number(row[column]) for column in columns if row.get(column, "") != ""}


def fragment_shares(path):
    """Percent of the estimate's pairs per fragment length bin, at the bin's middle."""
    with open(path) as estimate:
        text = estimate.read()
    histogram = text.split("\n\n", 1)[1] if "\n\n" in text else ""
    rows = list(csv.DictReader(histogram.splitlines(), delimiter="\t"))
    return {(int(row["bin_start"]) + int(row["bin_end"])) / 2: round(100 * float(row["share"]), 3)
            for row in rows}


def samples_table(rows, estimates):
    data = {}
    for row in rows:
        values = numbers(row, TABLE)
        if row.get("pairs_read") and row.get("pairs_kept") and float(row["pairs_read"]) > 0:
            values["pairs_kept_share"] = 100 * float(row["pairs_kept"]) / float(row["pairs_read"])
        data[row["sample"]] = values
    return {"section_name": "Samples", "plot_type": "table",
            "description": "One row per sample: what lorvex-prep kept, the values the sample ran "
            "with, the bases added and the gaps closed.",
            "pconfig": {"id": "lorvex_samples_table", "title": "lorvex: samples"},
            "headers": TABLE, "data": data}


def prep_plot(rows, estimates):
    return {"section_name": "Read pairs", "plot_type": "bargraph",
            "description": "The pairs lorvex-prep kept for the table, and those it dropped.",
            "pconfig": {"id": "lorvex_prep_plot", "title": "lorvex: read pairs",
                        "ylab": "pairs"},
            "categories": PREP, "data": {row["sample"]: numbers(row, PREP) for row in rows}}


def fragments_plot(rows, estimates):
    return {"section_name": "Fragment lengths", "plot_type": "linegraph",
            "description": "Fragment lengths of the pairs that lie inside the seeds (the scaffolds "
            "when a sample has no seeds), from which the distances were settled.",
            "pconfig": {"id": "lorvex_fragments_plot", "title": "lorvex: fragment lengths",
                        "xlab": "fragment length (bases)", "ylab": "% of pairs", "ymin": 0},
            # Samples run with given distances have no fragment lengths.
            "data": {name: shares for name, path in estimates if (shares := fragment_shares(path))}}


def bases_plot(rows, estimates):
    return {"section_name": "Bases added", "plot_type": "bargraph",
            "description": "Bases lorvex-extend added to each sample's seeds, both sides.",
            "pconfig": {"id": "lorvex_bases_plot", "title": "lorvex: bases added",
                        "ylab": "bases", "cpswitch": False},
            "categories": {"bases_added": {"name": "bases added"}},
            "data": {row["sample"]: numbers(row, ["bases_added"]) for row in rows
                     if row.get("bases_added")}}


def stops_plot(rows, estimates):
    columns = [column for column in rows[0] if column.startswith("stop_")] if rows else []
    return {"section_name": "Stop reasons", "plot_type": "bargraph",
            "description": "Why each side stopped. repeat: the votes showed the side's end in "
            "more than one copy of the genome; no-votes: no mate voted; too-few-votes: fewer "
            "than min_votes; not-dominant: no base held ratio times the others; "
            "repetitive-tail: the last read length was one repeated base; cap-reached: "
            "max_bases added; seed-too-short: a seed shorter than the max distance.",
            "pconfig": {"id": "lorvex_stops_plot", "title": "lorvex: stop reasons",
                        "ylab": "sides"},
            "categories": {column: {"name": column[5:]} for column in columns},
            "data": {row["sample"]: numbers(row, columns) for row in rows if row.get("sides")}}


def gaps_plot(rows, estimates):
    columns = {"gaps_closed": {"name": "closed", "color": "#4daf4a"},
               "gaps_open": {"name": "open", "color": "#e41a1c"}}
    return {"section_name": "Gaps", "plot_type": "bargraph",
            "description": "The scaffolds' gaps that lorvex-close closed and those left open.",
            "pconfig": {"id": "lorvex_gaps_plot", "title": "lorvex: gaps", "ylab": "gaps"},
            "categories": columns,
            "data": {row["sample"]: numbers(row, columns) for row in rows if row.get("gaps")}}


SECTIONS = {"samples": samples_table, "prep": prep_plot, "fragments": fragments_plot,
            "bases": bases_plot, "stops": stops_plot, "gaps": gaps_plot}


def write_section(path, rows, estimates):
    match = re.fullmatch(r"lorvex_(\w+)_mqc\.yaml", os.path.basename(path))
    if not match or match.group(1) not in SECTIONS:
        sys.exit(f"report_content.py: {path}: not lorvex_SECTION_mqc.yaml for a section of "
                 + ", ".join(SECTIONS))
    content = {"id": f"lorvex_{match.group(1)}", **PARENT,
               **SECTIONS[match.group(1)](rows, estimates)}
    partial = path + ".partial"
    with open(partial, "w") as out:
        yaml.safe_dump(content, out, sort_keys=False, allow_unicode=True)
    os.replace(partial, path)


if __name__ == "__main__":
    args = sys.argv[1:]
    estimates = []
    while "--estimate" in args:
        at = args.index("--estimate")
        estimates.append(tuple(args[at + 1 : at + 3]))
        del args[at : at + 3]
    if len(args) < 2 or any(len(pair) != 2 for pair in estimates):
        sys.exit("usage: " + __doc__.strip().splitlines()[4].strip())
    rows = summary_rows(args[0])
    for path in args[1:]:
        write_section(path, rows, estimates)
