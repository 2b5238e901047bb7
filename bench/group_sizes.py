#!/usr/bin/env python3
"""What one lookup reads: the groups of the text index and the directory
slots of the compact table.

    bench/group_sizes.py TEXT_INDEX PAIRS

Prints a tab-separated line per form: form, groups (named codes or non-empty
slots), mean lines or entries a group, the mean a lookup meets (weighted by
size: a read's key falls in a large group more often) and the largest.
"""
import struct
import sys
from array import array

CLOSING_BYTES = 256


def summary(form, sizes):
    sizes = [size for size in sizes if size]
    total = sum(sizes)
    weighted = sum(size * size for size in sizes) / total if total else 0
    mean = total / len(sizes) if sizes else 0
    print(f"{form}\t{len(sizes)}\t{mean:.2f}\t{weighted:.2f}\t{max(sizes, default=0)}")


def text_groups(path):
    with open(path, "rb") as index:
        return [int(line.split(b"\t")[1]) for line in index]


def compact_slots(path):
    with open(path, "rb") as pairs:
        pairs.seek(-CLOSING_BYTES, 2)
        closing = pairs.read(CLOSING_BYTES)
        if closing[:8] != b"\x89LVXPAIR":
            sys.exit(f"group_sizes.py: {path}: not a compact pair table")
        counts = struct.unpack_from("<9Q", closing, 16)
        directory_offset = counts[6]
        directory_bits = struct.unpack_from("<13I", closing, 16 + 72)[4]
        pairs.seek(directory_offset)
        directory = array("Q")
        directory.frombytes(pairs.read(8 * ((1 << directory_bits) + 1)))
    if sys.byteorder != "little":
        directory.byteswap()
    return [directory[i + 1] - directory[i] for i in range(len(directory) - 1)]


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: bench/group_sizes.py TEXT_INDEX PAIRS")
    print("form\tgroups\tmean\tmean_met\tlargest")
    summary("text_12_base_group", text_groups(sys.argv[1]))
    summary("compact_slot", compact_slots(sys.argv[2]))


if __name__ == "__main__":
    main()
