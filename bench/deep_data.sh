#!/usr/bin/env bash
# Makes (once) the deep-coverage data set and prints where it is.
#
#   bench/deep_data.sh BUILD_DIR
#
# An 80 kb organelle-like genome (37 % GC, short tandem repeats; reads span
# its end as on a circle), art_illumina HiSeq 2500 reads of 2 x 150 from
# fragments of 500 +- 30 at 2,000x, and their lorvex-prep table. Prints three
# lines: GENOME=genome.fa, READS=folder with reads_1.fq and reads_2.fq,
# TABLE=table prefix (PREFIX.table, PREFIX.index). Cached in bench/out/.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: bench/deep_data.sh BUILD_DIR" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
source "$(dirname "$0")/datasets.sh"
reads=$(deep_reads "$build")
prep=$(prepared_reads "$build" "$reads")
echo "GENOME=$(dirname "$reads")/genome.fa"
echo "READS=$reads"
echo "TABLE=$prep/reads"
