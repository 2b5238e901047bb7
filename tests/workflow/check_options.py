#!/usr/bin/env python3
"""The workflow's option table against the schema and the programs: every key
of a prep, extend or close block is in both, each maps to an option that the
program's --help lists, with a value where the schema's type wants one, and
each default of the schema is the one --help prints (the workflow's own
defaults aside).

    check_options.py BUILD_DIR WORKFLOW_DIR
"""
import os
import re
import subprocess
import sys

import yaml

# Settings whose default the workflow sets itself, where the program's would not fit a job.
WORKFLOW_DEFAULTS = {"prep.memory"}
HELP_LINE = re.compile(r"^\s+(?:-\w,)?(--[\w-]+)((?:,--[\w-]+)*)(?: ([A-Z]+)(?:=(\S+))?)?\s")


def help_options(program):
    """{option: (value name or None, default or None)} of a program's --help."""
    text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    options = {}
    for line in text.splitlines():
        match = HELP_LINE.match(line)
        if match:
            names = [match.group(1)] + [name for name in match.group(2).split(",") if name]
            for name in names:
                options[name] = (match.group(3), match.group(4))
    return options


def same_value(shown, default):
    """--help's default against the schema's: as numbers where both are, else as words."""
    try:
        return float(shown) == float(default)
    except ValueError:
        return shown == str(default)


def problems(build, workflow):
    sys.path.insert(0, os.path.join(workflow, "scripts"))
    from program_options import OPTIONS, PROGRAMS

    with open(os.path.join(workflow, "schemas", "config.schema.yaml")) as f:
        schema = yaml.safe_load(f)
    found = []
    for block, table in OPTIONS.items():
        keys = schema["$defs"][block]["properties"]
        if set(keys) != set(table):
            found.append(f"{block}: schema keys {sorted(keys)} but table keys {sorted(table)}")
        listed = help_options(os.path.join(build, PROGRAMS[block]))
        for key, option in table.items():
            if option not in listed:
                found.append(f"{block}.{key}: {PROGRAMS[block]} has no {option}")
                continue
            value_name, default = listed[option]
            kind = keys.get(key, {}).get("type")
            if (kind == "boolean") != (value_name is None):
                found.append(f"{block}.{key}: type {kind} but {option} takes {value_name or 'no value'}")
            if "default" in keys.get(key, {}) and kind != "boolean":
                if default is None or not same_value(default, keys[key]["default"]):
                    found.append(f"{block}.{key}: default {keys[key]['default']} but "
                                 f"{PROGRAMS[block]} {option} defaults to {default}")
            elif kind != "boolean" and default is not None and f"{block}.{key}" not in WORKFLOW_DEFAULTS:
                found.append(f"{block}.{key}: no default in the schema; {option} has {default}")
    return found


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    found = problems(sys.argv[1], sys.argv[2])
    for problem in found:
        print(f"check_options: {problem}", file=sys.stderr)
    sys.exit(1 if found else 0)
