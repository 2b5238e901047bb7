#!/usr/bin/env python3
"""Judges extensions from seeds on a circular genome.

    eval_circle.py GENOME.fa SEEDS.fa SET TOOL=CONTIGS.fa:TIME_FILE ...

Prints one Markdown row per seed and tool: the bases written, whether the
record says it is a circle (`circular=true`), whether it is exact (the
genome once, starting at the seed's first base), whether it holds the whole
circle at least once, whether every base is the genome's (the record read
along the circle from the seed's place, as many turns as it takes), the
stops and the tool's wall time for the whole seed set. Contigs are matched
to seeds by name (normalise_extended.py writes peers' results so).
"""
import re
import sys

from fasta import read_fasta


def turns(genome, start, length):
    """The circle read from `start` for `length` bases."""
    whole = genome * (length // len(genome) + 2)
    return whole[start:start + length]


def judge(genome, seed, header, bases):
    length = len(genome)
    start = (genome + genome).find(seed)
    if start < 0 or start >= length:
        return None
    left = int((re.search(r"\bleft=(\d+)", header) or [0, 0])[1])
    # The record's first base stands `left` bases before the seed, round the circle.
    first = (start - left) % length
    circular = "circular=true" in header
    if circular:
        first = start
    correct = bases == turns(genome, first, len(bases))
    stops = " ".join(m for m in re.findall(r"\b(?:left|right)_stop=(\S+)", header))
    return {
        "length": len(bases),
        "closed": "yes" if circular else "no",
        "exact": "yes" if bases == turns(genome, start, length) else "no",
        "whole": "yes" if correct and len(bases) >= length else "no",
        "correct": "yes" if correct else "**no**",
        "stops": stops or "-",
    }


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    genome = read_fasta(sys.argv[1])[0][2]
    seeds = read_fasta(sys.argv[2])
    label = sys.argv[3]
    for argument in sys.argv[4:]:
        tool, files = argument.split("=", 1)
        contigs_path, time_path = files.split(":")
        contigs = {name: (header, bases) for name, header, bases in read_fasta(contigs_path)}
        wall = float(open(time_path).read().split()[0])
        for name, _, seed in seeds:
            header, bases = contigs.get(name, ("", ""))
            row = judge(genome, seed, header, bases)
            if row is None:
                print(f"| {label} | {name} | {tool} | seed not on the circle | | | | | | |")
                continue
            print(f"| {label} | {name} | {tool} | {row['length']:,} | {row['closed']} | "
                  f"{row['exact']} | {row['whole']} | {row['correct']} | {row['stops']} | "
                  f"{wall:.1f} |")


if __name__ == "__main__":
    main()
