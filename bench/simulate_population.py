#!/usr/bin/env python3
"""A population for the variant benchmark: a random genome (the majority
haplotype) and minority haplotypes that each differ from it at their own
sites, read as 2 x R pairs whose coverage varies along the genome.

    simulate_population.py OUT_DIR [--length 16000] [--shares 0.8,0.15,0.05]
        [--divergence 0.005] [--low 20] [--high 1000] [--read-length 100]
        [--copies 0 --background 1500000 --background-coverage 8] [--seed 1]

Writes genome.fa (the majority), sites.tsv (position 1-based, majority base,
minority base, minority share: the sites where a minority haplotype differs),
reads_1.fq and reads_2.fq (fragments 400 +- 30, 0.1 % substitution errors,
first read forward). Coverage follows a sine between --low and --high along
the genome; each pair's haplotype is drawn by the shares.

With --copies N the reads also cover a random background genome of
--background bases at --background-coverage that holds N diverged copies of
the genome's pieces (1,000 to 3,000 bases, 2 to 5 % of their bases changed,
either strand), as nuclear copies of an organelle's DNA lie in a nucleus
read at low depth. copies.tsv names them (genome start 1-based, length,
strand, divergence, background start 1-based) and copy_sites.tsv their
differences on the genome's strand (position 1-based, genome base, copy
base, copy number from 1).
"""
import argparse
import math
import os
import random

COMPLEMENT = str.maketrans("ACGT", "TGCA")


def reverse_complement(bases):
    return bases.translate(COMPLEMENT)[::-1]


def embed_copies(rng, genome, background, copies):
    """The background with the copies written over it (one per equal slot,
    so that none overlap), their rows for copies.tsv and copy_sites.tsv."""
    background = list(background)
    slot = len(background) // copies
    rows, sites = [], []
    for k in range(copies):
        length = rng.randint(1000, min(3000, len(genome)))
        start = rng.randrange(len(genome) - length + 1)
        divergence = rng.uniform(0.02, 0.05)
        piece = list(genome[start:start + length])
        for i in rng.sample(range(length), round(divergence * length)):
            piece[i] = rng.choice([b for b in "ACGT" if b != piece[i]])
            sites.append((start + i + 1, genome[start + i], piece[i], k + 1))
        piece = "".join(piece)
        strand = rng.choice("+-")
        at = k * slot + rng.randrange(slot - length)
        background[at:at + length] = piece if strand == "+" else reverse_complement(piece)
        rows.append((start + 1, length, strand, f"{divergence:.3f}", at + 1))
    return "".join(background), rows, sorted(sites)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--length", type=int, default=16000)
    parser.add_argument("--shares", default="0.8,0.15,0.05")
    parser.add_argument("--divergence", type=float, default=0.005)
    parser.add_argument("--low", type=float, default=20)
    parser.add_argument("--high", type=float, default=1000)
    parser.add_argument("--read-length", type=int, default=100)
    parser.add_argument("--copies", type=int, default=0)
    parser.add_argument("--background", type=int, default=1500000)
    parser.add_argument("--background-coverage", type=float, default=8)
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
    background = ""
    if args.copies > 0:
        background = "".join(rng.choice("ACGT") for _ in range(args.background))
        background, rows, sites = embed_copies(rng, genome, background, args.copies)
        with open(os.path.join(args.out, "copies.tsv"), "w") as out:
            out.write("genome_start\tlength\tstrand\tdivergence\tbackground_start\n")
            out.writelines("\t".join(map(str, row)) + "\n" for row in rows)
        with open(os.path.join(args.out, "copy_sites.tsv"), "w") as out:
            out.write("position\tgenome\tcopy\tcopy_number\n")
            out.writelines("\t".join(map(str, row)) + "\n" for row in sites)

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

        def write_pair(piece):
            nonlocal count
            if rng.random() < 0.5:
                piece = reverse_complement(piece)
            count += 1
            one.write(f"@p{count}/1\n{noisy(piece[:r])}\n+\n{quality}\n")
            two.write(f"@p{count}/2\n{noisy(reverse_complement(piece[-r:]))}\n+\n{quality}\n")

        for start in range(args.length):
            # Pairs starting here, on either strand: coverage / (2 R) each.
            expected = coverage(start) / (2 * r)
            for _ in range(int(expected) + (rng.random() < expected - int(expected))):
                fragment = int(rng.gauss(400, 30))
                if start + fragment > args.length:
                    continue
                haplotype = haplotypes[rng.choices(range(len(shares)), weights=shares)[0]]
                write_pair(haplotype[start:start + fragment])
        expected = args.background_coverage / (2 * r)
        for start in range(len(background)):
            if rng.random() < expected:
                fragment = int(rng.gauss(400, 30))
                if start + fragment <= len(background):
                    write_pair(background[start:start + fragment])


if __name__ == "__main__":
    main()
