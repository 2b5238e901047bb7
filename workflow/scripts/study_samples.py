"""The config and the samples of a study, checked before anything runs: the
config and each sample against the JSON Schemas of workflow/schemas/ (with
Snakemake's validate, which fills in the defaults), the sample sheet read into
the config's form, the checks that a schema cannot make, and every refusal as
one line naming the key or column at fault.

A sheet is a TSV with a header line; lines starting with '#' and blank lines
are skipped, and every cell is stripped of surrounding blanks. An empty cell is
a value not given. reads_1 and reads_2, or interleaved, become the sample's
'reads'; a column BLOCK.KEY (extend.min_votes) becomes the key of the
sample's block, its cell read as a YAML value, so '5' is a number and 'true' a
boolean, as in the config.
"""
import csv
import os
import re

import yaml
from snakemake.exceptions import WorkflowError
from snakemake.utils import validate

from program_options import conflicts, settings

BLOCKS = ("prep", "extend", "close")


class SampleError(Exception):
    pass


def sheet_rows(path):
    """The header's line number, the columns, and (line number, {column: cell}) for each sample."""
    try:
        with open(path, newline="") as sheet:
            lines = [(number, line) for number, line in enumerate(sheet, 1)
                     if line.strip() and not line.startswith("#")]
    except OSError as error:
        raise SampleError(f"{path}: {error.strerror}") from None
    if not lines:
        raise SampleError(f"{path}: no header line")
    header_line, header = lines[0]
    columns = [name.strip() for name in next(csv.reader([header], delimiter="\t"))]
    duplicated = sorted({name for name in columns if columns.count(name) > 1})
    if duplicated:
        raise SampleError(f"{path}: line {header_line}: column {duplicated[0]} given twice")
    rows = []
    for number, line in lines[1:]:
        cells = [cell.strip() for cell in next(csv.reader([line.rstrip("\r\n")], delimiter="\t"))]
        if len(cells) != len(columns):
            raise SampleError(f"{path}: line {number}: {len(cells)} cells for "
                              f"{len(columns)} columns")
        rows.append((number, dict(zip(columns, cells))))
    return header_line, columns, rows


def cell_value(text):
    """A settings cell as the YAML value it spells; text that is no YAML stays text."""
    try:
        return yaml.safe_load(text)
    except yaml.YAMLError:
        return text


def sample_from_row(row):
    """A sheet row (its non-empty cells) in the form of a config sample."""
    given = {column: cell for column, cell in row.items() if cell != ""}
    interleaved = "interleaved" in given
    pair = [column for column in ("reads_1", "reads_2") if column in given]
    if interleaved == bool(pair) or (pair and len(pair) != 2):
        raise SampleError("give reads_1 and reads_2, or interleaved alone")
    reads = [given["interleaved"]] if interleaved else [given["reads_1"], given["reads_2"]]
    sample = {"reads": reads}
    for column in ("seeds", "scaffolds"):
        if column in given:
            sample[column] = given[column]
    if "chunks" in given:
        sample["chunks"] = cell_value(given["chunks"])
    for column, cell in given.items():
        block, dot, key = column.partition(".")
        if dot:
            sample.setdefault(block, {})[key] = cell_value(cell)
    return sample


def sample_problems(config, sample, folder):
    """What keeps a checked sample from running: missing files, settings the programs refuse."""
    problems = []
    if not sample.get("seeds") and not sample.get("scaffolds"):
        problems.append("give seeds, scaffolds or both")
    for path in sample["reads"] + [sample.get(kind) for kind in ("seeds", "scaffolds")]:
        if path and not os.path.isfile(path):
            problems.append(f"{path}: no such file (paths are taken from {folder})")
    for block in BLOCKS:
        problems += conflicts(block, settings(config, sample, block))
    return problems


def describe_refusal(error, noun="key"):
    """A JSON Schema refusal as one line that names the key (or column) at fault."""
    path = [str(part) for part in error.absolute_path]
    if error.validator == "additionalProperties":
        known = list(error.schema.get("properties", {}))
        patterns = error.schema.get("patternProperties", {})
        extra = [key for key in error.instance
                 if key not in known and not any(re.search(p, key) for p in patterns)]
        names = ", ".join(repr(".".join(path + [key])) for key in extra)
        place = f"{'.'.join(path)} takes" if path else "known:"
        known += [schema["description"] for schema in patterns.values() if "description" in schema]
        return f"unknown {noun} {names} ({place} {', '.join(known)})"
    where = f"{noun} '{'.'.join(path)}': " if path else ""
    hint = error.schema.get("description") if error.validator in ("type", "pattern") else None
    return where + error.message + (f" ({hint})" if hint else "")


def checked(data, schema, where, noun="key", defaults=False):
    """data checked against the schema file (its defaults filled in with defaults)."""
    try:
        validate(data, schema, set_default=defaults)
    except WorkflowError as error:
        refusal = error.__context__
        if refusal is None or not hasattr(refusal, "absolute_path"):
            raise
        raise SampleError(f"{where}: {describe_refusal(refusal, noun)}") from None
    return data


def without_empty_keys(mapping):
    """A key left empty in YAML ('extend:' with every line below commented out) is left out."""
    for key in [key for key, value in mapping.items() if value is None]:
        del mapping[key]
    return mapping


def check_config(config, schemas):
    """The config checked, its defaults filled in."""
    checked(without_empty_keys(config), os.path.join(schemas, "config.schema.yaml"), "the config",
            defaults=True)


def checked_samples(config, schemas, folder):
    """{name: sample} of a checked config's samples, then its sample sheet's, each checked; paths
    are taken from folder."""
    sample_schema = os.path.join(schemas, "sample.schema.yaml")
    sheet_schema = os.path.join(schemas, "sample_sheet.schema.yaml")
    samples = {}
    for name, sample in config["samples"].items():
        where = f"the config: samples: {name}"
        samples[name] = checked(without_empty_keys(sample), sample_schema, where)
    sheet = config["sample_sheet"]
    rows = []
    if sheet:
        header_line, columns, rows = sheet_rows(sheet)
        # The columns alone, each with a cell that any column takes.
        checked({column: "x" for column in columns}, sheet_schema, f"{sheet}: line {header_line}",
                noun="column")
    for line, row in rows:
        where = f"{sheet}: line {line}"
        checked(row, sheet_schema, where, noun="column")
        where += f" (sample {row['sample']})"
        try:
            sample = sample_from_row(row)
        except SampleError as error:
            raise SampleError(f"{where}: {error}") from None
        if row["sample"] in samples:
            raise SampleError(f"{where}: a sample of that name is listed already")
        samples[row["sample"]] = checked(sample, sample_schema, where, noun="column")
    if not samples:
        raise SampleError("the config names no sample_sheet and lists no samples "
                          "(see workflow/config.yaml)")
    for name, sample in samples.items():
        problems = sample_problems(config, sample, folder)
        if problems:
            raise SampleError(f"sample {name}: " + "; ".join(problems))
    return samples
