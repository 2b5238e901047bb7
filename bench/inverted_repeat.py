#!/usr/bin/env python3
"""Gives a circle two inverted copies of a long repeat, as chloroplasts have.

    inverted_repeat.py CIRCLE.fa OUT.fa REPEAT SMALL

The circle becomes: large single-copy region, copy B (REPEAT bases), small
single-copy region (SMALL bases), copy A, the reverse complement of B, which
ends where the circle starts. Prints the four regions' starts.
"""
import sys

from fasta import read_fasta, reverse_complement


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    name, header, bases = read_fasta(sys.argv[1])[0]
    repeat, small = int(sys.argv[3]), int(sys.argv[4])
    large = len(bases) - 2 * repeat - small
    copy = bases[large:large + repeat]
    circle = bases[:large + repeat + small] + reverse_complement(copy)
    with open(sys.argv[2], "w") as out:
        out.write(f">{header}\n")
        for i in range(0, len(circle), 60):
            out.write(circle[i:i + 60] + "\n")
    print(f"large 0, copy B {large}, small {large + repeat}, copy A {large + repeat + small}")


if __name__ == "__main__":
    main()
