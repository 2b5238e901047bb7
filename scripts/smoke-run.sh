#!/usr/bin/env bash
# Runs installed programs on the bundled example, as a user would after an
# install: lorvex-prep makes the compact table, lorvex-extend extends a seed cut from
# the genome on both sides with the distances estimated, and the contig must
# be longer than the seed and lie in the genome as it is.
#
#   scripts/smoke-run.sh BIN_DIR WORK_DIR
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: scripts/smoke-run.sh BIN_DIR WORK_DIR" >&2
    exit 2
fi
bin=$1 work=$2
examples=$(cd "$(dirname "$0")/../examples" && pwd)
mkdir -p "$work"

"$bin/lorvex-prep" -q -1 "$examples/lambda_reads_1.fq.gz" -2 "$examples/lambda_reads_2.fq.gz" \
    -o "$work/lambda"
genome=$(grep -v '^>' "$examples/lambda_virus.fa" | tr -d '\r\n')
printf '>seed\n%s\n' "${genome:20000:1000}" >"$work/seed.fa"
"$bin/lorvex-extend" -q -s "$work/seed.fa" -t "$work/lambda.pairs" \
    --both --threads 2 --line-width 0 -o "$work/contig.fa"
contig=$(sed -n 2p "$work/contig.fa")
if [ "${#contig}" -le 1000 ] || [[ "$genome" != *"$contig"* ]]; then
    echo "smoke-run: the seed was not extended as the genome goes on: $(head -1 "$work/contig.fa")" >&2
    exit 1
fi
echo "smoke run: a 1,000-base seed of the example extended to ${#contig} bases, as in the genome"
