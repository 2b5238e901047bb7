#!/usr/bin/env python3
"""The workflow's config and sample checks (workflow/scripts/study_samples.py
with the schemas of workflow/schemas/), without running Snakemake:
- a sample sheet and the same samples in YAML give the same samples;
- the schema's defaults are filled in, a partial resources block keeps the rest;
- every kind of mistake is refused with one line that names the key, the
  column or the sample at fault.

    config_test.py WORKFLOW_DIR     (with the Python that runs Snakemake)
"""
import copy
import os
import sys
import tempfile

workflow = os.path.abspath(sys.argv[1] if len(sys.argv) == 2 else sys.exit(__doc__))
sys.path.insert(0, os.path.join(workflow, "scripts"))
import study_samples  # noqa: E402

SCHEMAS = os.path.join(workflow, "schemas")
failures = []


def samples_of(config, folder):
    """The checked config and samples; a config's '_sheet' lines are written to its sheet first."""
    config = copy.deepcopy(config)
    if "_sheet" in config:
        with open(config["sample_sheet"], "w") as f:
            f.write("".join("\t".join(line) + "\n" for line in config.pop("_sheet")))
    study_samples.check_config(config, SCHEMAS)
    return config, study_samples.checked_samples(config, SCHEMAS, folder)


def refusal(config, folder):
    try:
        samples_of(config, folder)
    except study_samples.SampleError as error:
        return str(error)
    return None


def expect(condition, what):
    if not condition:
        failures.append(what)


with tempfile.TemporaryDirectory() as folder:
    os.chdir(folder)
    for name in ("r1.fq", "r2.fq", "pairs.fq", "seeds.fa", "scaffolds.fa"):
        open(name, "w").close()

    def sheet(*lines):
        return {"sample_sheet": "samples.tsv", "_sheet": lines}

    header = ("sample", "reads_1", "reads_2", "interleaved", "seeds", "scaffolds", "chunks",
              "extend.min_votes", "extend.ratio", "prep.no_name_check", "close.partial")
    two_files = ("a", "r1.fq", "r2.fq", "", "seeds.fa", "scaffolds.fa", "", "", "", "", "true")
    interleaved = ("b", "", "", "pairs.fq", "seeds.fa", "", "4", "5", "0.1", "true", "")
    yaml_samples = {"samples": {
        "a": {"reads": ["r1.fq", "r2.fq"], "seeds": "seeds.fa", "scaffolds": "scaffolds.fa",
              "close": {"partial": True}},
        "b": {"reads": ["pairs.fq"], "seeds": "seeds.fa", "chunks": 4,
              "extend": {"min_votes": 5, "ratio": 0.1}, "prep": {"no_name_check": True}}}}
    from_sheet = samples_of(sheet(header, ("# a comment",), two_files, interleaved), folder)[1]
    expect(from_sheet == samples_of(yaml_samples, folder)[1],
           f"the sheet's samples {from_sheet} differ from the YAML's")

    config = samples_of({**yaml_samples, "resources": {"estimate": {"threads": 4}},
                         "extend": {"both": True}}, folder)[0]
    expect(config["extend"] == {"both": True, "strict": False, "min_votes": 2, "ratio": 1.5,
                                "anchor_length": 0, "min_quality": 20, "max_bases": 2000000, "line_width": 60,
                                "no_repeat_guard": False, "no_end_reads": False,
                                "mismatches_at_any_quality": False},
           f"extend defaults: {config['extend']}")
    expect(config["resources"]["estimate"] == {"threads": 4, "mem_mb": 1024, "runtime": 60}
           and config["resources"]["prep"]["mem_mb"] == 2048,
           f"resources defaults: {config['resources']}")
    expect(config["results"] == "results" and config["chunks"] == 0 and config["multiqc"],
           "top-level defaults")
    expect(samples_of({**yaml_samples, "extend": None}, folder)[0]["extend"]["ratio"] == 1.5,
           "an empty block is not taken as left out")

    def sample(**changes):
        return {"samples": {"a": {"reads": ["r1.fq", "r2.fq"], "seeds": "seeds.fa", **changes}}}

    cases = [
        ({**sample(), "ratoi": 0.5}, "the config: unknown key 'ratoi' (known: results,"),
        ({**sample(), "extend": {"min_vote": 5}},
         "the config: unknown key 'extend.min_vote' (extend takes both, strict, min_votes,"),
        ({**sample(), "extend": {"min_votes": "five"}},
         "the config: key 'extend.min_votes': 'five' is not of type 'integer'"),
        ({**sample(), "prep": {"memory": "2 GB"}}, "key 'prep.memory': '2 GB' does not match"),
        ({**sample(), "chunks": -1}, "key 'chunks': -1 is less than the minimum of 0"),
        (sample(reads="r1.fq"), "the config: samples: a: key 'reads': 'r1.fq' is not of type 'array'"),
        (sample(reads=["r1.fq", "r2.fq", "pairs.fq"]), "key 'reads': ['r1.fq', 'r2.fq', 'pairs.fq'] is too long"),
        (sample(extend={"ratoi": 1}), "samples: a: unknown key 'extend.ratoi' (extend takes"),
        (sample(seed="seeds.fa"), "samples: a: unknown key 'seed' (known: reads, seeds,"),
        ({"samples": {"a/b": {"reads": ["pairs.fq"], "seeds": "seeds.fa"}}}, "'a/b' does not match"),
        ({"samples": {"a": {"reads": ["pairs.fq"]}}}, "sample a: give seeds, scaffolds or both"),
        (sample(seeds="missing.fa"), f"sample a: missing.fa: no such file (paths are taken from {folder})"),
        ({**sample(prep={"phred64": True}), "prep": {"phred33": True}},
         "sample a: prep: give phred33 or phred64, not both"),
        (sample(prep={"read_length": 100}),
         "sample a: prep: read_length sets the text table's read length: give format: text too"),
        ({**sample(prep={"read_length": 100}), "prep": {"format": "text"}}, None),
        (sample(prep={"format": "text", "min_read_length": 30}),
         "sample a: prep: min_read_length is for the compact table (format: compact)"),
        ({**sample(), "prep": {"format": "both"}},
         "key 'prep.format': 'both' is not one of ['compact', 'text']"),
        (sample(extend={"depth": 20, "no_repeat_guard": True}),
         "sample a: extend: give depth or no_repeat_guard, not both"),
        ({**sample(extend={"min_distance": 200}), "extend": {"max_distance": 400}}, None),
        (sample(extend={"min_distance": 200}),
         "sample a: extend: give both min_distance and max_distance, or neither"),
        ({}, "the config names no sample_sheet and lists no samples"),
        ({**sheet(header, two_files), **sample()},
         "samples.tsv: line 2 (sample a): a sample of that name is listed already"),
        (sheet(("sample", "reads1"), ("a", "r1.fq")),
         "samples.tsv: line 1: unknown column 'reads1' (known: sample, reads_1,"),
        (sheet(header, two_files, interleaved[:8] + ("lots",) + interleaved[9:]),
         "samples.tsv: line 3 (sample b): column 'extend.ratio': 'lots' is not of type 'number'"),
        (sheet(header, two_files, interleaved[:9] + ("yes please",) + interleaved[10:]),
         "line 3 (sample b): column 'prep.no_name_check': 'yes please' is not of type 'boolean'"),
        (sheet(("sample", "interleaved", "seeds", "extend.min_vote"), ("a", "pairs.fq", "seeds.fa", "3")),
         "samples.tsv: line 2 (sample a): unknown column 'extend.min_vote'"),
        (sheet(("sample", "reads_1", "seeds"), ("a", "r1.fq", "seeds.fa")),
         "samples.tsv: line 2 (sample a): give reads_1 and reads_2, or interleaved alone"),
        (sheet(("sample", "reads_1", "reads_2", "interleaved", "seeds"),
               ("a", "r1.fq", "r2.fq", "pairs.fq", "seeds.fa")),
         "line 2 (sample a): give reads_1 and reads_2, or interleaved alone"),
        (sheet(header, two_files[:4]), "samples.tsv: line 2: 4 cells for 11 columns"),
        (sheet(("sample", "sample")), "samples.tsv: line 1: column sample given twice"),
        ({"sample_sheet": "nowhere.tsv"}, "nowhere.tsv: No such file or directory"),
    ]
    for config, expected in cases:
        found = refusal(config, folder)
        if expected is None:
            expect(found is None, f"{config}: refused: {found}")
        else:
            expect(found is not None and expected in found,
                   f"{config}: expected '{expected}', got '{found}'")
            expect(found is None or "\n" not in found, f"not one line: {found}")

for failure in failures:
    print(f"config_test: {failure}", file=sys.stderr)
if failures:
    sys.exit(1)
print(f"config_test: the sheet equals the YAML form; {len(cases)} configs checked")
