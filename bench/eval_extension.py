#!/usr/bin/env python3
"""Judges extended contigs against the genome they were made from.

    eval_extension.py GENOME.fa SEEDS.tsv CONTIGS.fa [--circular] [--per-seed OUT.tsv]

SEEDS.tsv has the columns name, start (0-based, forward strand), length and
strand (+ or -), with a header line; further columns are carried into the
per-seed table. CONTIGS.fa holds one record per seed as lorvex-extend writes
them: the left extension, the seed, the right extension, with `left=N` and
`right=N` in the header (a record without `left=` has no left extension).
Seeds without a record count as not extended.

Each side is read outward from the seed and walked along the genome from the
seed's own locus, on the seed's strand. A mismatch that the next 16 bases
show to be a single substitution, or an insertion or deletion of 1 to 3
bases, is an error and the walk goes on; any other mismatch is where the
extension leaves the seed's copy, and every base from there on disagrees.
Bases past a linear genome's end disagree too.

Writes one row per seed and side to the --per-seed file (TSV) and prints one
summary line (TSV): label, seeds, bases added, correct bases, wrong bases,
seeds with a wrong base, sides that left their copy, error events, and seeds
whose contig does not hold the seed at its place.
"""
import argparse
import re
import sys

from fasta import read_fasta, read_tsv, reverse_complement

RESYNC = 16


def walk(extension, expected):
    """Returns (correct, errors, left_at): bases that agree, error events, and
    the step (0-based) where the extension leaves the copy, or None."""
    i = g = correct = errors = 0
    n = len(extension)
    while i < n:
        if g < len(expected) and extension[i] == expected[g]:
            correct += 1
            i += 1
            g += 1
            continue
        if g >= len(expected):
            return correct, errors, i
        resumed = None
        # substitution, then insertions and deletions of 1 to 3 bases
        for skip_ext, skip_genome in ((1, 1), (1, 0), (2, 0), (3, 0), (0, 1), (0, 2), (0, 3)):
            a, b = i + skip_ext, g + skip_genome
            span = min(RESYNC, n - a)
            if span <= 0 and a <= n:
                # an error in the very last bases: nothing left to confirm it
                continue
            if span > 0 and extension[a:a + span] == expected[b:b + span]:
                resumed = (a, b)
                break
        if resumed is None:
            return correct, errors, i
        errors += 1
        i, g = resumed
    return correct, errors, None


def expected_sequences(genome, seed, circular):
    """The genome beyond the seed's right end and, read outward, beyond its
    left end, both on the seed's strand."""
    start, length = int(seed["start"]), int(seed["length"])
    if circular:
        genome = genome + genome + genome
        start += len(genome) // 3
    if seed["strand"] == "-":
        strand = reverse_complement(genome)
        start = len(genome) - start - length
    else:
        strand = genome
    right = strand[start + length:]
    left = strand[:start][::-1]
    own = strand[start:start + length]
    return own, left, right


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("genome")
    parser.add_argument("seeds")
    parser.add_argument("contigs")
    parser.add_argument("--circular", action="store_true")
    parser.add_argument("--per-seed")
    parser.add_argument("--label", default="")
    args = parser.parse_args()

    genome = read_fasta(args.genome)[0][2]
    seeds = read_tsv(args.seeds)
    contigs = {name: (header, bases) for name, header, bases in read_fasta(args.contigs)}

    rows = []
    for seed in seeds:
        header, bases = contigs.get(seed["name"], ("", ""))
        fields = dict(re.findall(r"(\w+)=(\S+)", header))
        length = int(seed["length"])
        left_added = int(fields.get("left", 0) or 0)
        right_added = int(fields.get("right", 0) or 0)
        own, left_expected, right_expected = expected_sequences(genome, seed, args.circular)
        seed_ok = not bases or bases[left_added:left_added + length] == own
        extensions = {
            "left": (bases[:left_added][::-1], left_expected),
            "right": (bases[left_added + length:], right_expected),
        }
        for side in ("left", "right"):
            extension, expected = extensions[side]
            correct, errors, left_at = walk(extension, expected)
            rows.append({
                "seed": seed["name"], "side": side, "class": seed.get("class", "-"),
                "family_copies": seed.get("family_copies", "-"),
                "divergence": seed.get("divergence", "-"),
                "added": len(extension), "correct": correct,
                "wrong": len(extension) - correct, "errors": errors,
                "left_copy_at": "-" if left_at is None else left_at + 1,
                "stop": fields.get(side + "_stop", "-"),
                "seed_ok": "yes" if seed_ok else "NO",
            })

    columns = ["seed", "side", "class", "family_copies", "divergence", "added", "correct",
               "wrong", "errors", "left_copy_at", "stop", "seed_ok"]
    if args.per_seed:
        with open(args.per_seed, "w") as out:
            out.write("\t".join(columns) + "\n")
            for row in rows:
                out.write("\t".join(str(row[c]) for c in columns) + "\n")
    wrong_seeds = {row["seed"] for row in rows if row["wrong"]}
    left_copy = sum(1 for row in rows if row["left_copy_at"] != "-")
    print("\t".join([args.label or args.contigs, str(len(seeds)),
                     str(sum(row["added"] for row in rows)),
                     str(sum(row["correct"] for row in rows)),
                     str(sum(row["wrong"] for row in rows)),
                     str(len(wrong_seeds)), str(left_copy),
                     str(sum(row["errors"] for row in rows)),
                     str(sum(1 for row in rows if row["seed_ok"] != "yes"))]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
