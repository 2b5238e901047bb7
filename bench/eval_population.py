#!/usr/bin/env python3
"""Judges lorvex-extend's contigs and variant rows on the population sets.

    eval_population.py sites GENOME.fa SITES.tsv CONTIGS.fa VARIANTS.tsv SUMMARY.tsv LABEL
    eval_population.py copies GENOME.fa COPY_SITES.tsv CONTIGS.fa VARIANTS.tsv SUMMARY.tsv LABEL
    eval_population.py repeats REPEATS.tsv SEEDS.tsv CONTIGS.fa VARIANTS.tsv LABEL

Seeds are named seed_START (1-based) in the first two forms. Each prints one
Markdown row.

sites: the bases added, those that disagree with the majority, the stops,
the sites whose minority share is 10 % or more within the sides' reach,
those recovered, the rows, and the rows' precision (rows at a true site of
any share).

copies (a genome with diverged copies of its pieces in a low-depth
background, simulate_population.py --copies): the bases added, those that
disagree with the genome, the stops, the stretch of the genome the sides
reach, the rows, and of them those whose minor base is a copy's base there.

repeats (the repeat benchmark's seeds, REPEATS.tsv and SEEDS.tsv as
lorvex-bench-genome and lorvex-bench-seeds write them): the rows, those of
2 reads against the majority, and those that lie within a read's length of
a repeat copy (differences of other copies whose reads were placed there)
or in single-copy sequence (errors). A row's place in the genome is taken
from the seed's, as if the side held no insertion or deletion.
"""
import collections
import sys

from fasta import read_fasta, read_tsv

READ = 100  # the read length of the repeat benchmark


def contigs_on_genome(genome, contigs_fa):
    """Each contig's name, bases and the genome position of its first base."""
    placed = []
    for name, _, contig in read_fasta(contigs_fa):
        seed_at = int(name.split("_")[1]) - 1
        placed.append((name, contig, seed_at - contig.find(genome[seed_at:seed_at + 1000]), seed_at))
    return placed


def added_and_wrong(genome, placed):
    added = wrong = 0
    reach = set()
    for _, contig, start, seed_at in placed:
        added += len(contig) - 1000
        for i, base in enumerate(contig):
            at = start + i
            if at < 0 or at >= len(genome) or base != genome[at]:
                wrong += 1
            elif not seed_at <= at < seed_at + 1000:
                reach.add(at)
    return added, wrong, reach


def rows_on_genome(variants_tsv, placed):
    starts = {name: start for name, _, start, _ in placed}
    return [(starts[row["seed"]] + int(row["position"]) - 1, row["minor"])
            for row in read_tsv(variants_tsv)]


def stops(summary_tsv):
    counted = collections.Counter(row["stop"] for row in read_tsv(summary_tsv))
    return ", ".join(f"{k} {v}" for k, v in sorted(counted.items()))


def sites_row(genome_fa, sites_tsv, contigs_fa, variants_tsv, summary_tsv, label):
    genome = read_fasta(genome_fa)[0][2]
    sites = {int(row["position"]) - 1: float(row["share"]) for row in read_tsv(sites_tsv)}
    placed = contigs_on_genome(genome, contigs_fa)
    added, wrong, reach = added_and_wrong(genome, placed)
    rows = rows_on_genome(variants_tsv, placed)
    recovered = {at for at, _ in rows if at in sites}
    found = sum(at in sites for at, _ in rows)
    target = {at for at, share in sites.items() if share >= 0.10 and at in reach}
    got = len(target & recovered)
    print(f"| {label} | {added:,} | {wrong} | {stops(summary_tsv)} | {len(target)} "
          f"| {got} ({100 * got / max(1, len(target)):.0f} %) | {len(rows)} "
          f"| {100 * found / max(1, len(rows)):.0f} % |")


def copies_row(genome_fa, copy_sites_tsv, contigs_fa, variants_tsv, summary_tsv, label):
    genome = read_fasta(genome_fa)[0][2]
    copy_bases = {(int(row["position"]) - 1, row["copy"]) for row in read_tsv(copy_sites_tsv)}
    placed = contigs_on_genome(genome, contigs_fa)
    added, wrong, _ = added_and_wrong(genome, placed)
    first = min(start for _, _, start, _ in placed)
    last = max(start + len(contig) for _, contig, start, _ in placed)
    rows = rows_on_genome(variants_tsv, placed)
    of_copies = sum(row in copy_bases for row in rows)
    print(f"| {label} | {added:,} | {wrong} | {stops(summary_tsv)} "
          f"| {first + 1:,} to {last:,} of {len(genome):,} | {len(rows)} | {of_copies} |")


def repeats_row(repeats_tsv, seeds_tsv, contigs_fa, variants_tsv, label):
    copies = [(int(row["start"]), int(row["end"])) for row in read_tsv(repeats_tsv)]
    seeds = {row["name"]: row for row in read_tsv(seeds_tsv)}
    lefts = {}
    for name, header, _ in read_fasta(contigs_fa):
        lefts[name] = int(header.split("left=")[1].split()[0]) if "left=" in header else 0
    rows = read_tsv(variants_tsv)
    near = two = 0
    for row in rows:
        seed = seeds[row["seed"]]
        offset = int(row["position"]) - 1 - lefts[row["seed"]]
        start = int(seed["start"])
        at = start + offset if seed["strand"] == "+" else start + int(seed["length"]) - 1 - offset
        near += any(first - READ <= at <= last + READ for first, last in copies)
        two += int(row[row["minor"]]) == 2
    print(f"| {label} | {len(seeds)} | {len(rows)} | {two} | {near} | {len(rows) - near} "
          f"| {100 * near / max(1, len(rows)):.0f} % |")


if __name__ == "__main__":
    forms = {"sites": (sites_row, 6), "copies": (copies_row, 6), "repeats": (repeats_row, 5)}
    if len(sys.argv) < 2 or sys.argv[1] not in forms or len(sys.argv) != forms[sys.argv[1]][1] + 2:
        sys.exit(__doc__)
    forms[sys.argv[1]][0](*sys.argv[2:])
