#!/usr/bin/env python3
"""Judges closed scaffolds against the true content of their gaps.

    eval_gaps.py SCAFFOLDS.fa TRUTH.tsv CLOSED.fa [--per-gap OUT.tsv] [--label NAME]

SCAFFOLDS.fa and TRUTH.tsv are what lorvex-bench-gaps wrote (the gapped
scaffolds; one row per gap with record, gap, start, n_length, true_length,
genome_start, genome_end, in_repeat, true_sequence). CLOSED.fa is a gap
closer's output: the same records, by name or else in the same order.

Each gap is found in the closed record between two anchors: the 300 bases
that lie 100 bases before the gap in the scaffold, and the 300 bases that lie
100 bases after it, each cut short at a neighbouring gap (a closer may
rewrite the bases next to a gap, so those 100 bases on each side are judged
with the gap). Then:
  closed-exact  no N left, and the stretch equals the genome's
  misjoin       no N left, and the stretch differs from the genome's
  partial       some N left, but not the gap as it was
  open          the gap as it was
  lost          an anchor was not found (the closer changed the flanks)

Writes one row per gap to --per-gap (TSV) and prints one summary line (TSV):
label, gaps, closed, closed-exact, misjoin, partial, open, lost, and the
gaps in repeats, and of them closed-exact, misjoin and open.
"""
import argparse
import sys

from fasta import read_fasta, read_tsv

ANCHOR = 300
MARGIN = 100


def occurrences(text, pattern, start=0):
    at = text.find(pattern, start)
    while at >= 0:
        yield at
        at = text.find(pattern, at + 1)


def judge_record(scaffold, closed, gaps):
    """Yields (gap row, status, closed length) for the gaps of one record."""
    cursor = shift = 0  # where the last gap ended in the closed record; its length change
    previous_end = 0
    for index, gap in enumerate(gaps):
        start, n_length = int(gap["start"]), int(gap["n_length"])
        end = start + n_length
        next_start = int(gaps[index + 1]["start"]) if index + 1 < len(gaps) else len(scaffold)
        left_margin = scaffold[max(previous_end, start - MARGIN):start]
        right_margin = scaffold[end:min(next_start, end + MARGIN)]
        left_anchor = scaffold[max(previous_end, start - MARGIN - ANCHOR):start - len(left_margin)]
        right_anchor = scaffold[end + len(right_margin):min(next_start, end + MARGIN + ANCHOR)]
        previous_end = end
        # In repeats an anchor may occur more than once: take the left one
        # nearest to where the lengths so far put it, the right one first after it.
        expected = start - len(left_margin) - len(left_anchor) + shift
        found = list(occurrences(closed, left_anchor, cursor)) if left_anchor else [0]
        if not found:
            yield gap, "lost", "-"
            continue
        at = min(found, key=lambda position: abs(position - expected))
        middle_from = at + len(left_anchor)
        to = closed.find(right_anchor, middle_from) if right_anchor else len(closed)
        if to < 0:
            yield gap, "lost", "-"
            continue
        cursor = to
        shift = to - (end + len(right_margin))
        middle = closed[middle_from:to]
        fill_length = len(middle) - len(left_margin) - len(right_margin)
        if middle == left_margin + "N" * n_length + right_margin:
            yield gap, "open", "-"
        elif "N" in middle:
            yield gap, "partial", fill_length
        elif middle == left_margin + gap["true_sequence"] + right_margin:
            yield gap, "closed-exact", fill_length
        else:
            yield gap, "misjoin", fill_length


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("scaffolds")
    parser.add_argument("truth")
    parser.add_argument("closed")
    parser.add_argument("--per-gap")
    parser.add_argument("--label", default="")
    args = parser.parse_args()

    scaffolds = [(name, bases) for name, _, bases in read_fasta(args.scaffolds)]
    closed_records = [(name, bases) for name, _, bases in read_fasta(args.closed)]
    closed_by_name = dict(closed_records)
    truth = read_tsv(args.truth)

    results = []
    for index, (name, scaffold) in enumerate(scaffolds):
        if name in closed_by_name:
            closed = closed_by_name[name]
        elif index < len(closed_records):
            closed = closed_records[index][1]
        else:
            closed = ""
        gaps = sorted((g for g in truth if g["record"] == name), key=lambda g: int(g["start"]))
        results.extend(judge_record(scaffold, closed, gaps))

    if args.per_gap:
        with open(args.per_gap, "w") as out:
            out.write("record\tgap\tstart\tn_length\ttrue_length\tin_repeat\tstatus\tclosed_length\n")
            for gap, status, length in results:
                out.write("\t".join([gap["record"], gap["gap"], gap["start"], gap["n_length"],
                                     gap["true_length"], gap["in_repeat"], status, str(length)]) + "\n")

    def count(rows, status):
        return sum(1 for _, s, _ in rows if s == status)

    repeats = [r for r in results if r[0]["in_repeat"] != "-"]
    exact, misjoin = count(results, "closed-exact"), count(results, "misjoin")
    print("\t".join(str(v) for v in [
        args.label or args.closed, len(results), exact + misjoin, exact, misjoin,
        count(results, "partial"), count(results, "open"), count(results, "lost"),
        len(repeats), count(repeats, "closed-exact"), count(repeats, "misjoin"),
        count(repeats, "open")]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
