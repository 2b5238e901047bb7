"""The one table from the config's prep, extend and close blocks to the
programs' options, and the arguments each step passes.

A key is the option's long name with '_' for '-'. A true boolean gives the
bare option, a false one nothing; any other value gives the option and the
value. A sample's block overrides the study's key by key; the study's blocks
hold the defaults of workflow/schemas/config.schema.yaml.
"""

OPTIONS = {
    "prep": {
        "format": "--format",
        "min_read_length": "--min-read-length",
        "read_length": "--read-length",
        "one_orientation": "--one-orientation",
        "no_name_check": "--no-name-check",
        "phred33": "--phred33",
        "phred64": "--phred64",
        "memory": "--memory",
        "tmp_dir": "--tmp-dir",
        "min_quality": "--min-quality",
    },
    "extend": {
        "both": "--both",
        "strict": "--strict",
        "min_votes": "--min-votes",
        "ratio": "--ratio",
        "anchor_length": "--anchor-length",
        "anchor_mismatches": "--anchor-mismatches",
        "min_quality": "--min-quality",
        "max_bases": "--max-bases",
        "line_width": "--line-width",
        "min_distance": "--min-distance",
        "max_distance": "--max-distance",
        "depth": "--depth",
        "no_repeat_guard": "--no-repeat-guard",
        "no_end_reads": "--no-end-reads",
        "mismatches_at_any_quality": "--mismatches-at-any-quality",
    },
    "close": {
        "min_gap": "--min-gap",
        "min_overlap": "--min-overlap",
        "gap_tolerance": "--gap-tolerance",
        "gap_tolerance_share": "--gap-tolerance-share",
        "unknown_gap_length": "--unknown-gap-length",
        "max_bases": "--max-bases",
        "partial": "--partial",
        "line_width": "--line-width",
    },
}
PROGRAMS = {"prep": "lorvex-prep", "extend": "lorvex-extend", "close": "lorvex-close"}

# Settled once per sample by the estimate: the chunks and the closing take the
# estimate's values instead.
SETTLED = ("min_distance", "max_distance", "depth", "no_repeat_guard", "anchor_mismatches")
# The extension rules that lorvex-close shares, so gaps close by the rules the seeds extend by.
# (The anchor mismatches reach it settled, with the distances and the depth.)
CLOSE_SHARES = (
    "strict",
    "min_votes",
    "ratio",
    "anchor_length",
    "min_quality",
    "no_repeat_guard",
    "no_end_reads",
    "mismatches_at_any_quality",
)


def settings(config, sample, block):
    """A sample's settings of one block: the study's, then its own."""
    return {**(config.get(block) or {}), **(sample.get(block) or {})}


def arguments(block, values, keys=None):
    """The options of the given keys (all of the block's when None), in the table's order."""
    words = []
    for key, option in OPTIONS[block].items():
        if (keys is not None and key not in keys) or values.get(key) is None:
            continue
        value = values[key]
        if isinstance(value, bool):
            words += [option] * value
        else:
            words += [option, str(value)]
    return words


# Keys that may not both be set in the settings a sample runs with.
EXCLUSIVE = {"prep": [("phred33", "phred64")], "extend": [("depth", "no_repeat_guard")]}


def conflicts(block, values):
    """What the programs would refuse in a sample's settings of a block, as messages."""
    found = [f"{block}: give {a} or {b}, not both" for a, b in EXCLUSIVE.get(block, [])
             if values.get(a) not in (None, False) and values.get(b) not in (None, False)]
    # Each table has its own read length setting.
    if block == "prep" and values.get("format", "compact") == "compact" and (
            values.get("read_length") is not None):
        found.append("prep: read_length sets the text table's read length: give format: text "
                     "too, or min_read_length for the compact table")
    if block == "prep" and values.get("format") == "text" and (
            values.get("min_read_length") is not None):
        found.append("prep: min_read_length is for the compact table (format: compact)")
    given = [values.get(key) is not None for key in ("min_distance", "max_distance")]
    if block == "extend" and given[0] != given[1]:
        found.append("extend: give both min_distance and max_distance, or neither")
    return found
