#!/usr/bin/env bash
# The workflow's MultiQC report as a browser shows it: the shipped example
# (workflow/config.yaml) is run, the report is loaded in headless Chromium,
# and the page it built must hold every lorvex section in order, a picture
# for each plot and a samples table row per sample with its bases added; a
# screenshot of the page is saved as bench/workflow_report.png.
#
#   bench/report_check.sh BUILD_DIR
#
# Needs Debian's chromium (apt-get install chromium), not installed by
# scripts/install-deps.sh: make test checks the report's HTML without a browser.
set -euo pipefail

build=$(cd "${1:?usage: bench/report_check.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
repository=$(dirname "$here")
browser=$(command -v chromium || true)
[ -n "$browser" ] || { echo "report_check: chromium is not installed (apt-get install chromium)" >&2; exit 1; }
command -v multiqc >/dev/null || { echo "report_check: multiqc is not installed (scripts/install-deps.sh)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/lorvex-report-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

(cd "$repository" && snakemake -s workflow/Snakefile --configfile workflow/config.yaml --cores 2 -q \
    --config results="$work/results" bin="$build" > "$work/run.log" 2>&1) ||
    { cat "$work/run.log"; echo "report_check: the workflow failed" >&2; exit 1; }
report=$work/results/multiqc_report.html

# No network, no sandbox (root), a fresh profile; the time budget lets the page's scripts finish.
chromium_run() {
    timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$work/profile-$1" --virtual-time-budget=10000 --window-size=1400,2400 \
        "${@:2}" "file://$report" 2> "$work/chromium-$1.log"
}
chromium_run dom --dump-dom > "$work/dom.html"
chromium_run shot --screenshot="$work/report.png" > /dev/null
[ -s "$work/report.png" ] || { cat "$work/chromium-shot.log"; echo "report_check: no screenshot" >&2; exit 1; }

python3 - "$work/dom.html" "$work/results/study_summary.tsv" <<'PYTHON'
import csv, re, sys
dom = open(sys.argv[1]).read()
samples = list(csv.DictReader(open(sys.argv[2]), delimiter="\t"))
problems = []
sections = re.findall(r'<h3[^>]*id="(lorvex_[a-z]+)"', dom) or re.findall(r'id="(lorvex_[a-z]+)"', dom)
expected = ["lorvex_samples", "lorvex_prep", "lorvex_fragments", "lorvex_bases", "lorvex_stops", "lorvex_gaps"]
if sections != expected:
    problems.append(f"sections {sections}, expected {expected}")
for section in expected[1:]:
    text = dom[dom.find(f'id="{section}"'):]
    text = text[: text.find("<h3", 1) if "<h3" in text[1:] else len(text)]
    if '<img src="data:image/png;base64,' not in text:
        problems.append(f"{section}: no picture")
table = dom[dom.find('id="lorvex_samples_table"'):]
table = table[: table.find("</table>")]
for sample in samples:
    row = re.search(rf'<th[^>]*>{re.escape(sample["sample"])}</th>(.*?)</tr>', table, re.S)
    cell = row and re.search(r'<td class="[^"]*\bbases_added\b[^"]*">(.*?)</td>', row.group(1), re.S)
    shown = re.sub(r"\D", "", re.sub(r"<[^>]*>", "", cell.group(1))) if cell else None
    if shown != sample["bases_added"]:
        problems.append(f"samples table: {sample['sample']} shows {shown} bases added, "
                        f"not {sample['bases_added']}")
for problem in problems:
    print(f"report_check: {problem}", file=sys.stderr)
sys.exit(1 if problems else 0)
PYTHON
cp "$work/report.png" "$here/workflow_report.png"
echo "report_check: the report shows every lorvex section; screenshot: bench/workflow_report.png"
