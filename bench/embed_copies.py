#!/usr/bin/env python3
"""Puts diverged copies of pieces of a circle into a nuclear genome.

    embed_copies.py NUCLEAR.fa CIRCLE.fa OUT.fa COPIES SEED

Each copy is a piece of 1,000 to 3,000 bases from a random place of the
circle (across its end too), on a random strand, with 2 to 5 % of its bases
changed, written over the nuclear sequence at a random place (copies do not
overlap). Prints one line per copy: circle start, length, strand, divergence,
nuclear start.
"""
import random
import sys

from fasta import read_fasta, reverse_complement


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    nuclear = list(read_fasta(sys.argv[1])[0][2])
    circle = read_fasta(sys.argv[2])[0][2]
    copies, rng = int(sys.argv[4]), random.Random(int(sys.argv[5]))
    slot = len(nuclear) // copies
    for k in range(copies):
        length = rng.randint(1000, 3000)
        start = rng.randrange(len(circle))
        piece = (circle + circle)[start:start + length]
        strand = rng.choice("+-")
        if strand == "-":
            piece = reverse_complement(piece)
        divergence = rng.uniform(0.02, 0.05)
        bases = list(piece)
        for i in rng.sample(range(length), round(divergence * length)):
            bases[i] = rng.choice([b for b in "ACGT" if b != bases[i]])
        at = k * slot + rng.randrange(slot - length)
        nuclear[at:at + length] = bases
        print(f"{start}\t{length}\t{strand}\t{divergence:.3f}\t{at}")
    with open(sys.argv[3], "w") as out:
        out.write(">nuclear\n")
        text = "".join(nuclear)
        for i in range(0, len(text), 60):
            out.write(text[i:i + 60] + "\n")


if __name__ == "__main__":
    main()
