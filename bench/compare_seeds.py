#!/usr/bin/env python3
"""Per seed and side, one tool's correct and wrong bases beside the others'.

    compare_seeds.py [--all | --totals] TOOL=PER_SEED.tsv OTHER=PER_SEED.tsv ...

The files are eval_extension.py's --per-seed tables of the same seeds; the
first tool (lorvex) is compared with each other one. Prints Markdown: per
other tool, the sides where the first goes further, as far and less far (by
correct bases) and both tools' correct and wrong bases; then one row per
side where the first tool has fewer correct bases than another, or a wrong
base (every side with --all, none with --totals), each cell
"correct/wrong", with the first tool's stop.
"""
import re
import sys

from fasta import read_tsv


def load(argument):
    label, path = argument.split("=", 1)
    return label, {(row["seed"], row["side"]): row for row in read_tsv(path)}


def natural(side):
    """seed2 before seed10."""
    return [int(part) if part.isdigit() else part for part in re.split(r"(\d+)", side[0])], side[1]


def figures(row):
    return (int(row["correct"]), int(row["wrong"])) if row else (0, 0)


def main():
    arguments = sys.argv[1:]
    every_side, totals_only = "--all" in arguments, "--totals" in arguments
    arguments = [a for a in arguments if a not in ("--all", "--totals")]
    if len(arguments) < 2 or any("=" not in a for a in arguments):
        sys.exit(__doc__)
    (label, first), others = load(arguments[0]), [load(a) for a in arguments[1:]]
    sides = sorted(first, key=natural)

    print(f"| against | sides | {label} further | as far | less far | correct, {label} | "
          f"correct, other | wrong, {label} | wrong, other |")
    print("|---|---|---|---|---|---|---|---|---|")
    for other_label, other in others:
        further = same = behind = 0
        totals = [0, 0, 0, 0]
        for side in sides:
            (correct, wrong), (other_correct, other_wrong) = (figures(first[side]),
                                                              figures(other.get(side)))
            further += correct > other_correct
            same += correct == other_correct
            behind += correct < other_correct
            for i, value in enumerate((correct, other_correct, wrong, other_wrong)):
                totals[i] += value
        print(f"| {other_label} | {len(sides)} | {further} | {same} | {behind} | "
              + " | ".join(f"{value:,}" for value in totals) + " |")

    shown = [side for side in sides
             if every_side or figures(first[side])[1]
             or any(figures(first[side])[0] < figures(other.get(side))[0] for _, other in others)]
    if not shown or totals_only:
        return
    print()
    print(f"| seed | side | {label} | " + " | ".join(o for o, _ in others) + f" | {label} stop |")
    print("|---|---|" + "---|" * (len(others) + 2))
    for side in shown:
        cells = [f"{c:,}/{w:,}" for c, w in
                 [figures(first[side])] + [figures(other.get(side)) for _, other in others]]
        print(f"| {side[0]} | {side[1]} | " + " | ".join(cells) + f" | {first[side]['stop']} |")


if __name__ == "__main__":
    main()
