#!/usr/bin/env python3
"""Joins the outputs of a sample's chunks, in chunk order, into what one
lorvex-extend run over all the sample's seeds writes.

    gather.py fasta OUT CHUNK...   the records one after the other
    gather.py tsv OUT CHUNK...     the first chunk's header line, then every chunk's rows
    gather.py plot OUT CHUNK...    one vote plot: the first chunk's legend, every panel
                                   moved to its place among all, the page sized for all
"""
import os
import re
import sys

PANEL = re.compile(rb'^<g transform="translate\(0,([0-9.]+)\)">$', re.MULTILINE)
PAGE = re.compile(rb'height="([0-9.]+)" viewBox="0 0 ([0-9.]+) ([0-9.]+)"')


def number(value):
    """A length as lorvex-extend writes it: one decimal, none for whole numbers."""
    text = "%.1f" % value
    return (text[:-2] if text.endswith(".0") else text).encode()


def read(path):
    with open(path, "rb") as f:
        return f.read()


def gather_fasta(chunks):
    return b"".join(read(path) for path in chunks)


def gather_tsv(chunks):
    texts = [read(path) for path in chunks]
    return texts[0] + b"".join(text[text.find(b"\n") + 1 :] for text in texts[1:])


def split_plot(path):
    """The page height, the text before the panels, the panels, and the end."""
    text = read(path)
    page = PAGE.search(text)
    starts = [m.start() for m in PANEL.finditer(text)]
    end = text.rfind(b"</svg>")
    if not page or end < 0:
        sys.exit(f"gather.py: {path}: not a vote plot of lorvex-extend")
    head_end = starts[0] if starts else end
    bounds = starts + [end]
    panels = [text[bounds[i] : bounds[i + 1]] for i in range(len(starts))]
    return float(page.group(1)), text[:head_end], panels, text[end:]


def gather_plot(chunks):
    parts = [split_plot(path) for path in chunks]
    height, head, _, tail = parts[0]
    # The legend is the page without panels; every panel has the same height.
    panels = [panel for part in parts for panel in part[2]]
    sized = next((p for p in parts if p[2]), parts[0])
    legend = float(PANEL.match(sized[2][0]).group(1)) if sized[2] else sized[0]
    panel_height = (sized[0] - legend) / len(sized[2]) if sized[2] else 0
    total = number(legend + panel_height * len(panels))
    width = PAGE.search(head).group(2)
    head = PAGE.sub(b'height="' + total + b'" viewBox="0 0 ' + width + b" " + total + b'"', head, 1)
    moved = [
        PANEL.sub(b'<g transform="translate(0,' + number(legend + i * panel_height) + b')">',
                  panel, 1)
        for i, panel in enumerate(panels)
    ]
    return head + b"".join(moved) + tail


def write_whole(path, data):
    """Written under a temporary name and renamed, so a failure leaves no half file."""
    partial = path + ".partial"
    with open(partial, "wb") as f:
        f.write(data)
    os.replace(partial, path)


if __name__ == "__main__":
    kinds = {"fasta": gather_fasta, "tsv": gather_tsv, "plot": gather_plot}
    if len(sys.argv) < 4 or sys.argv[1] not in kinds:
        sys.exit("usage: gather.py fasta|tsv|plot OUT CHUNK...")
    write_whole(sys.argv[2], kinds[sys.argv[1]](sys.argv[3:]))
