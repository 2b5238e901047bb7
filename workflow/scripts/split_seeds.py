#!/usr/bin/env python3
"""Writes one of N consecutive chunks of a seeds FASTA, of nearly equal record counts.

    split_seeds.py SEEDS.fa CHUNK N OUT.fa      (CHUNK from 1 to N)

Records are copied byte for byte and keep their order, so the chunks 1 to N
read one after the other are the input file again (a gzip input is written
plain). N is at most the number of records, so every chunk gets one or more.
"""
import gzip
import os
import sys


def open_fasta(path):
    with open(path, "rb") as probe:
        compressed = probe.read(2) == b"\x1f\x8b"
    return gzip.open(path, "rb") if compressed else open(path, "rb")


def count_records(path):
    with open_fasta(path) as fasta:
        return sum(1 for line in fasta if line.startswith(b">"))


def chunk_bounds(records, chunk, chunks):
    """The records [first, end) of a chunk; the first records % chunks chunks take one more."""
    base, extra = divmod(records, chunks)
    first = (chunk - 1) * base + min(chunk - 1, extra)
    return first, first + base + (chunk <= extra)


def write_chunk(path, chunk, chunks, out_path):
    records = count_records(path)
    if not 1 <= chunk <= chunks <= records:
        sys.exit(f"split_seeds.py: {path}: {records} records; cannot take chunk {chunk} of {chunks}")
    first, end = chunk_bounds(records, chunk, chunks)
    record = -1
    partial = out_path + ".partial"
    with open_fasta(path) as fasta, open(partial, "wb") as out:
        for number, line in enumerate(fasta, 1):
            if line.startswith(b">"):
                record += 1
                if record == end:
                    break
            elif record < 0:
                sys.exit(f"split_seeds.py: {path}: line {number}: text before the first record")
            if record >= first:
                out.write(line)
    os.replace(partial, out_path)


if __name__ == "__main__":
    if len(sys.argv) != 5 or not (sys.argv[2].isdigit() and sys.argv[3].isdigit()):
        sys.exit("usage: " + __doc__.strip().splitlines()[2].strip())
    write_chunk(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
