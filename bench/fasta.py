"""FASTA and TSV reading shared by the benchmark evaluation scripts."""

COMPLEMENT = str.maketrans("ACGTacgtNn", "TGCAtgcaNn")


def reverse_complement(bases):
    return bases.translate(COMPLEMENT)[::-1]


def read_fasta(path):
    """Every record as (name, header, bases): the name is the header up to its
    first blank, the bases are upper-cased."""
    records, header, chunks = [], None, []
    with open(path) as handle:
        for line in handle:
            line = line.rstrip("\r\n")
            if line.startswith(">"):
                if header is not None:
                    records.append(((header.split() or [""])[0], header, "".join(chunks).upper()))
                header = line[1:]
                chunks = []
            elif line:
                chunks.append(line)
    if header is not None:
        records.append(((header.split() or [""])[0], header, "".join(chunks).upper()))
    return records


def read_tsv(path):
    """The rows of a TSV file with a header line, as dictionaries."""
    with open(path) as handle:
        columns = handle.readline().rstrip("\n").split("\t")
        return [dict(zip(columns, line.rstrip("\n").split("\t"))) for line in handle if line.strip()]
