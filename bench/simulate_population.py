#!/usr/bin/env python3
"""A population for the variant benchmark: a random genome (the majority
haplotype) and minority haplotypes that each differ from it at their own
sites, read as 2 x R pairs whose coverage varies along the genome.

    simulate_population.py OUT_DIR [--length 16000] [--shares 0.8,0.15,0.05]
        [--divergence 0.005] [--low 20] [--high 1000] [--seed 1]

Writes genome.fa (the majority), sites.tsv (position 1-based, majority base,
minority base, minority share: the sites where a minority haplotype differs),
reads_1.fq and reads_2.fq (fragments 400 +- 30, 0.1 % substitution errors,
first read forward). Coverage follows a sine between --low and --high along
the genome; each pair's haplotype is drawn by the shares.
"""
import argparse
import math
import os
import random

COMPLEMENT = str.maketrans("ACGT", "TGCA")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--length", type=int, default=16000)
    parser.add_argument("--shares", default="0.8,0.15,0.05")
    parser.add_argument("--divergence", type=float, default=0.005)
    parser.add_argument("--low", type=float, default=20)
    parser.add_argument("--high", type=float, default=1000)
    parser.add_argument("--read-length", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    shares = [float(s) for s in args.shares.split(",")]
    genome = "".join(rng.choice("ACGT") for _ in range(args.length))
    haplotypes = [genome]
    minority = {}  # position -> (base, share)
    for share in shares[1:]:
        bases = list(genome)
        for _ in range(int(args.length * args.divergence)):
            at = rng.randrange(args.length)
            if at in minority:
                continue
            bases[at] = rng.choice([b for b in "ACGT" if b != genome[at]])
            minority[at] = (bases[at], share)
        haplotypes.append("".join(bases))
    os.makedirs(args.out, exist_ok=True)
    with open(os.path.join(args.out, "genome.fa"), "w") as out:
        out.write(">majority\n" + genome + "\n")
    with open(os.path.join(args.out, "sites.tsv"), "w") as out:
        out.write("position\tmajor\tminor\tshare\n")
        for at in sorted(minority):
            out.write(f"{at + 1}\t{genome[at]}\t{minority[at][0]}\t{minority[at][1]}\n")

    def coverage(at):
        phase = math.sin(2 * math.pi * at / args.length * 1.5)
        return math.exp(math.log(args.low) + (phase + 1) / 2 * math.log(args.high / args.low))

    r = args.read_length
    quality = "I" * r

    def noisy(read):
        return "".join(rng.choice("ACGT".replace(b, "")) if rng.random() < 0.001 else b
                       for b in read)

    with open(os.path.join(args.out, "reads_1.fq"), "w") as one, \
            open(os.path.join(args.out, "reads_2.fq"), "w") as two:
        count = 0
        for start in range(args.length):
            # Pairs starting here, on either strand: coverage / (2 R) each.
            expected = coverage(start) / (2 * r)
            for _ in range(int(expected) + (rng.random() < expected - int(expected))):
                fragment = int(rng.gauss(400, 30))
                if start + fragment > args.length:
                    continue
                haplotype = haplotypes[rng.choices(range(len(shares)), weights=shares)[0]]
                piece = haplotype[start:start + fragment]
                if rng.random() < 0.5:
                    piece = piece.translate(COMPLEMENT)[::-1]
                first = noisy(piece[:r])
                second = noisy(piece[-r:].translate(COMPLEMENT)[::-1])
                count += 1
                one.write(f"@p{count}/1\n{first}\n+\n{quality}\n")
                two.write(f"@p{count}/2\n{second}\n+\n{quality}\n")


if __name__ == "__main__":
    main()
