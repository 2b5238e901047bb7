#!/usr/bin/env bash
# Remakes the example data in examples/: the lambda phage genome and read
# pairs simulated from it. The files in the repository were made with this
# script on Debian 12 (bookworm), with the Debian packages
#   bowtie2-examples 2.5.0-3                     (the genome)
#   art-nextgen-simulation-tools 20160605+dfsg-4 (art_illumina 2.5.8, the reads)
# Neither package is needed to build, test or run the demo: the results are
# committed. The simulator is seeded, so the same versions give the same
# reads; gzip -n keeps names and times out of the compressed files.
#
#   scripts/make-example-data.sh [OUTPUT_DIR]     (default: examples)
#
# Read simulation: HiSeq 2500 error and quality profile (HS25), reads of 100
# bases, fragments of mean 400 and standard deviation 30 bases, 80-fold
# coverage of the 48,502-base genome, random seed 20240601.
set -euo pipefail

out=${1:-examples}
genome_gz=/usr/share/doc/bowtie2/examples/reference/lambda_virus.fa.gz
for need in "$genome_gz" /usr/bin/art_illumina; do
    if [ ! -e "$need" ]; then
        echo "make-example-data: $need is missing; install the Debian packages" \
             "bowtie2-examples and art-nextgen-simulation-tools" >&2
        exit 1
    fi
done

mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

zcat "$genome_gz" > "$out/lambda_virus.fa"
art_illumina -ss HS25 -i "$out/lambda_virus.fa" -p -l 100 -f 80 -m 400 -s 30 \
    -rs 20240601 -na -q -o "$work/lambda_reads_" > "$work/art.log" 2>&1
for mate in 1 2; do
    gzip -9 -n -c "$work/lambda_reads_$mate.fq" > "$out/lambda_reads_$mate.fq.gz"
done
ls -l "$out"/lambda_virus.fa "$out"/lambda_reads_*.fq.gz
