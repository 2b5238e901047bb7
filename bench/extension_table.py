#!/usr/bin/env python3
"""Markdown tables from the per-seed files of eval_extension.py.

    extension_table.py summary LABEL=SUMMARY_LINE_FILE:TIME_FILE ...
    extension_table.py seeds LABEL=PER_SEED.tsv ...

`summary`: one row per tool from eval_extension.py's summary line and the
"WALL PEAK_KIB" file of its run. `seeds`: one row per seed, and per tool the
correct and wrong bases of each side ("correct/wrong", wrong in bold when
not 0) and the stops.
"""
import sys

from fasta import read_tsv


def summary(arguments):
    print("| tool | seeds | bases added | correct | wrong | seeds with wrong bases "
          "| sides that left their copy | wall s | peak MiB |")
    print("|---|---|---|---|---|---|---|---|---|")
    for argument in arguments:
        label, files = argument.split("=", 1)
        line_file, time_file = files.split(":")
        fields = open(line_file).read().split("\t")
        wall, kib = open(time_file).read().split()
        print(f"| {label} | {fields[1]} | {int(fields[2]):,} | {int(fields[3]):,} | "
              f"{int(fields[4]):,} | {fields[5]} | {fields[6]} | {float(wall):.1f} | "
              f"{int(kib) / 1024:.0f} |")


def cell(row):
    wrong = int(row["wrong"])
    text = f"{row['correct']}/{'**' + str(wrong) + '**' if wrong else '0'}"
    return text + (f" {row['stop']}" if row["stop"] != "-" else "")


def seeds(arguments):
    tools = []
    for argument in arguments:
        label, path = argument.split("=", 1)
        tools.append((label, {(r["seed"], r["side"]): r for r in read_tsv(path)}))
    first = tools[0][1]
    names = sorted({seed for seed, _ in first})
    header = ["seed", "class", "copies", "div %"]
    for label, _ in tools:
        header += [f"{label} left", f"{label} right"]
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for name in names:
        row = first[(name, "right")]
        cells = [name, row["class"], row["family_copies"], row["divergence"]]
        for _, rows in tools:
            cells += [cell(rows[(name, side)]) if (name, side) in rows else "-"
                      for side in ("left", "right")]
        print("| " + " | ".join(cells) + " |")


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("summary", "seeds"):
        sys.exit(__doc__)
    (summary if sys.argv[1] == "summary" else seeds)(sys.argv[2:])


if __name__ == "__main__":
    main()
