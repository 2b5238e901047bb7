#!/usr/bin/env python3
"""A library of many duplicates, as amplicon and low-input libraries are: the
fragments of a random genome start at few places, each drawn many times, and
the depth at a place varies along the genome.

    simulate_duplicates.py OUT_DIR [--length 10000] [--read-length 72]
        [--fragment 126] [--spread 8] [--spacing 150] [--low 20] [--high 1000]
        [--seed 1]

Fragment starts are drawn on both strands from places about --spacing bases
apart (each place jittered by up to 10 bases); a place gets a number of
copies of a fragment that follows a sine between --low and --high along the
genome, each copy of length --fragment +- --spread. Reads are 2 x
--read-length, first read forward on its strand, 0.2 % substitution errors
(quality 10 there, 40 elsewhere). Writes genome.fa, reads_1.fq, reads_2.fq,
and seeds.fa with seeds.tsv (two seeds of 1,000 bases at a quarter and three
quarters of the genome, in eval_extension.py's layout).
"""
import argparse
import math
import os
import random

from simulate_population import reverse_complement


def read_with_errors(rng, bases):
    out, quality = [], []
    for base in bases:
        if rng.random() < 0.002:
            out.append(rng.choice([b for b in "ACGT" if b != base]))
            quality.append("+")
        else:
            out.append(base)
            quality.append("I")
    return "".join(out), "".join(quality)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--length", type=int, default=10000)
    parser.add_argument("--read-length", type=int, default=72)
    parser.add_argument("--fragment", type=int, default=126)
    parser.add_argument("--spread", type=int, default=8)
    parser.add_argument("--spacing", type=int, default=150)
    parser.add_argument("--low", type=float, default=20)
    parser.add_argument("--high", type=float, default=1000)
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()
    rng = random.Random(options.seed)
    genome = "".join(rng.choice("ACGT") for _ in range(options.length))
    os.makedirs(options.out, exist_ok=True)
    with open(os.path.join(options.out, "genome.fa"), "w") as out:
        out.write(f">genome\n{genome}\n")
    r, reads = options.read_length, ([], [])
    for strand in "+-":
        sequence = genome if strand == "+" else reverse_complement(genome)
        place = rng.randrange(options.spacing)
        while place + options.fragment + options.spread < len(sequence):
            start = max(0, place + rng.randint(-10, 10))
            at = start if strand == "+" else len(genome) - start
            wave = 0.5 - 0.5 * math.cos(2 * math.pi * at / len(genome))
            copies = round(options.low + (options.high - options.low) * wave) * r // 300
            for _ in range(max(1, copies)):
                fragment = sequence[start:start + options.fragment +
                                    rng.randint(-options.spread, options.spread)]
                if len(fragment) < r:
                    continue
                reads[0].append(read_with_errors(rng, fragment[:r]))
                reads[1].append(read_with_errors(rng, reverse_complement(fragment)[:r]))
            place += options.spacing
    for mate in (0, 1):
        with open(os.path.join(options.out, f"reads_{mate + 1}.fq"), "w") as out:
            for i, (bases, quality) in enumerate(reads[mate]):
                out.write(f"@d{i}/{mate + 1}\n{bases}\n+\n{quality}\n")
    with open(os.path.join(options.out, "seeds.fa"), "w") as fasta, \
            open(os.path.join(options.out, "seeds.tsv"), "w") as table:
        table.write("name\tstart\tlength\tstrand\tclass\tfamily\tcopy\tfamily_copies\tdivergence\n")
        for at in (len(genome) // 4, 3 * len(genome) // 4):
            fasta.write(f">seed_{at + 1}\n{genome[at:at + 1000]}\n")
            table.write(f"seed_{at + 1}\t{at}\t1000\t+\tunique\t0\t0\t0\t0.00\n")


if __name__ == "__main__":
    main()
