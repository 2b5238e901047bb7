#!/usr/bin/env bash
# Remakes the circular example in examples/: a random organelle-like circle
# of 6,000 bases (lorvex-bench-genome organelle --length 6000 --seed 7, from a
# build) and read pairs simulated round it. The files in the repository were
# made with this script on Debian 12 (bookworm) with
#   art-nextgen-simulation-tools 20160605+dfsg-4 (art_illumina 2.5.8)
# which neither the build, the tests nor the demo need.
#
#   scripts/make-plasmid-example.sh BUILD_DIR [OUTPUT_DIR]   (default: examples)
#
# Reads: HiSeq 2500 profile (HS25), 2 x 100 from fragments of 400 +- 30 at
# 60-fold coverage, random seed 20240602. The simulator reads the circle
# followed by its first 680 bases, and the pairs whose fragment starts in that
# appended copy are dropped, so every start on the circle is equally likely.
set -euo pipefail

build=$(cd "${1:?usage: scripts/make-plasmid-example.sh BUILD_DIR [OUTPUT_DIR]}" && pwd)
out=${2:-examples}
for need in "$build/lorvex-bench-genome" /usr/bin/art_illumina; do
    if [ ! -e "$need" ]; then
        echo "make-plasmid-example: $need is missing" >&2
        exit 1
    fi
done
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/lorvex-bench-genome" organelle --out "$work/plasmid" --length 6000 --seed 7 > /dev/null
bases=$(awk 'NR > 1 { printf "%s", $0 }' "$work/plasmid.fa")
{ echo ">plasmid circular example, 6000 bases"; fold -w 60 <<< "$bases"; } > "$out/plasmid.fa"
printf '>plasmid\n%s%s\n' "$bases" "${bases:0:680}" > "$work/wrapped.fa"
# 60-fold on the circle: the appended copy takes its share of the fragments.
art_illumina -ss HS25 -i "$work/wrapped.fa" -p -l 100 -f 66.8 -m 400 -s 30 \
    -rs 20240602 -na -q -sam -o "$work/plasmid_reads_" > "$work/art.log" 2>&1
awk -F'\t' '!/^@/ && int($2 / 64) % 2 == 1 { start = $4 < $8 ? $4 : $8; if (start > 6000) print $1 }' \
    "$work/plasmid_reads_.sam" > "$work/dropped.names"
for mate in 1 2; do
    awk -v mate="$mate" 'NR == FNR { drop["@" $1 "/" mate] = 1; next }
         FNR % 4 == 1 { keep = !($1 in drop) } keep' \
        "$work/dropped.names" "$work/plasmid_reads_$mate.fq" |
        gzip -9 -n > "$out/plasmid_reads_$mate.fq.gz"
done
ls -l "$out"/plasmid.fa "$out"/plasmid_reads_*.fq.gz
