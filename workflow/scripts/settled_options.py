#!/usr/bin/env python3
"""Prints a sample's settled values as lorvex-extend options, for its chunks.

    settled_options.py ESTIMATE.tsv [--no-guard-option]

ESTIMATE.tsv is lorvex-extend's --fragments-tsv from --estimate-only over all
the sample's seeds: --min-distance N --max-distance N, --anchor-mismatches N
(but with --strict, which anchors on whole reads), then --depth X or, when
no depth came out (guard off or not estimated), --no-repeat-guard, so that a
chunk never estimates a depth of its own (--no-guard-option leaves that out).
"""
import sys


def key_values(path):
    """The key and value block that opens an estimate TSV."""
    values = {}
    with open(path) as estimate:
        next(estimate, None)
        for line in estimate:
            if not line.strip():
                break
            key, _, value = line.rstrip("\n").partition("\t")
            values[key] = value
    return values


def settled_options(path, guard_option=True):
    values = key_values(path)
    if not values.get("min_distance") or not values.get("max_distance"):
        sys.exit(f"settled_options.py: {path}: no min_distance and max_distance")
    options = ["--min-distance", values["min_distance"], "--max-distance", values["max_distance"]]
    # Measured once over all the sample's seeds, so every chunk anchors alike.
    if values.get("anchor_mismatches") and values.get("variant") != "strict":
        options += ["--anchor-mismatches", values["anchor_mismatches"]]
    depth = values.get("single_copy_depth", "")
    if depth:
        return options + ["--depth", depth]
    return options + ["--no-repeat-guard"] * guard_option


if __name__ == "__main__":
    if len(sys.argv) not in (2, 3) or sys.argv[2:] not in ([], ["--no-guard-option"]):
        sys.exit("usage: settled_options.py ESTIMATE.tsv [--no-guard-option]")
    print(" ".join(settled_options(sys.argv[1], len(sys.argv) == 2)))
