#!/usr/bin/env python3
"""Turns another tool's extended sequences into lorvex-extend's form.

    normalise_extended.py SEEDS.fa RAW.fa OUT.fa

For every seed, finds an output record that holds the seed whole: first a
record of the same name, then any record holding the seed or its reverse
complement (a reverse-complemented record is turned back onto the seed's
strand). Writes `>name left=N right=N` and the record's bases; a seed found
nowhere is written as itself with left=0 right=0 and `found=no`. Tools that
change bases inside the seed are not found this way and show up as such.
"""
import sys

from fasta import read_fasta, reverse_complement


def place(seed, bases):
    """(contig on the seed's strand, offset of the seed) or None."""
    at = bases.find(seed)
    if at >= 0:
        return bases, at
    turned = reverse_complement(bases)
    at = turned.find(seed)
    return (turned, at) if at >= 0 else None


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    seeds = [(name, bases) for name, _, bases in read_fasta(sys.argv[1])]
    raw = [(name, bases) for name, _, bases in read_fasta(sys.argv[2])]
    by_name = {name: bases for name, bases in raw}
    with open(sys.argv[3], "w") as out:
        for name, seed in seeds:
            found = place(seed, by_name[name]) if name in by_name else None
            if found is None:
                # The longest record holding the seed: a tool may also write pieces.
                for _, bases in sorted(raw, key=lambda record: -len(record[1])):
                    found = place(seed, bases)
                    if found:
                        break
            if found is None:
                out.write(f">{name} left=0 right=0 found=no\n{seed}\n")
                continue
            contig, at = found
            right = len(contig) - at - len(seed)
            out.write(f">{name} left={at} right={right}\n{contig}\n")


if __name__ == "__main__":
    main()
