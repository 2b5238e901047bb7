#!/usr/bin/env bash
# The whole path a user takes, on the bundled example (examples/README.md):
# paired FASTQ files -> lorvex-prep -> the compact read-pair table, and the
# text table with its prefix index -> lorvex and lorvex-strict extend a seed
# cut from the genome (text table) -> lorvex-extend extends three seeds on
# both sides -> lorvex-extend closes a small circular genome
# (examples/plasmid.fa) -> lorvex-close closes gaps cut into the genome (both
# from the compact table); every result is compared with the genome it came
# from.
#
#   scripts/demo.sh BUILD_DIR OUTPUT_DIR
#
# BUILD_DIR holds the built programs; OUTPUT_DIR (emptied first) keeps every
# file the demo makes, for a look afterwards.
#
# Exits with status 1 when nothing was extended or the extension disagrees
# with the genome.
set -euo pipefail

usage="usage: scripts/demo.sh BUILD_DIR OUTPUT_DIR"
build=$(cd "${1:?$usage}" && pwd)
output_name=${2:?$usage}
examples=$(cd "$(dirname "$0")/../examples" && pwd)
rm -rf "$output_name"
mkdir -p "$output_name"
work=$(cd "$output_name" && pwd)

# The seed: 1,000 bases from position 20,000 of the genome. The distances
# follow from the reads (examples/README.md): reads of 100 bases from
# fragments of 400 +- 30 bases vote from anchor windows between
# 310 - 100 + 20 = 230 and 490 - 1 = 489 bases behind the contig's end.
seed_start=20000
seed_length=1000
min_distance=230
max_distance=489
min_votes=5
dominance_ratio=0.1

step=0
say() { step=$((step + 1)); printf '\n== %d. %s\n' "$step" "$*"; }
# Prints a command as the user would type it (with short folder names).
short() { sed "s|$work|$output_name|g; s|$build|BUILD|g; s|$examples|examples|g"; }
describe() { printf '$ %s\n' "$*" | short; }

say "lorvex-prep: the read pairs become the compact table (lorvex-extend, lorvex-close) and,
   for lorvex and lorvex-strict, the text table and its prefix index, in one pass"
prep=("$build/lorvex-prep" -1 "$examples/lambda_reads_1.fq.gz" -2 "$examples/lambda_reads_2.fq.gz"
      -o "$work/lambda" --format both)
describe "${prep[@]}"
"${prep[@]}" 2>&1 | short
check=("$build/lorvex-prep" --check "$work/lambda.pairs" "$work/lambda.table" "$work/lambda.index")
describe "${check[@]}"
"${check[@]}" | short
echo "first lines of the index (12-base key, tab, number of table lines):"
head -3 "$work/lambda.index"

say "the seed: bases $((seed_start + 1)) to $((seed_start + seed_length)) of the genome"
genome=$(grep -v '^>' "$examples/lambda_virus.fa" | tr -d '\r\n')
printf '>seed lambda_virus:%d-%d\n%s\n' $((seed_start + 1)) $((seed_start + seed_length)) \
    "${genome:seed_start:seed_length}" > "$work/seed.fa"
echo "genome: ${#genome} bases; $(( ${#genome} - seed_start - seed_length )) of them lie beyond the seed"

status=0
for program in lorvex lorvex-strict; do
    say "$program extends the seed to the right"
    extend=("$build/$program" "$work/seed.fa" "$work/lambda.table" "$work/lambda.index"
            "$min_distance" "$max_distance" "$min_votes" "$dominance_ratio")
    describe "${extend[@]}"
    "${extend[@]}" > "$work/$program.tsv"
    echo "first accepted bases (base, votes for A, C, G, T):"
    head -3 "$work/$program.tsv"
    cut -f1 "$work/$program.tsv" | tr -d '\n' > "$work/$program.bases"
    extended=$(stat -c %s "$work/$program.bases")
    printf '%s' "${genome:seed_start + seed_length:extended}" > "$work/$program.expected"
    differing=$(cmp -l "$work/$program.bases" "$work/$program.expected" 2>/dev/null | wc -l || true)
    if [ "$extended" -eq 0 ]; then
        echo "$program extended nothing"
        status=1
    elif [ "$differing" -eq 0 ]; then
        echo "$program extended $extended bases, all of them as in the genome" \
             "(bases $((seed_start + seed_length + 1)) to $((seed_start + seed_length + extended)));" \
             "the genome ends $(( ${#genome} - seed_start - seed_length - extended )) bases further on"
    else
        echo "$program extended $extended bases; $differing of them differ from the genome"
        status=1
    fi
done

say "lorvex-extend: three seeds in one run, both sides, as FASTA with the reason each side stopped;
   the distances are left out and estimated from the pairs inside the seeds"
for start in 5000 20000 40000; do
    printf '>seed_%d lambda_virus:%d-%d\n%s\n' $((start + 1)) $((start + 1)) $((start + seed_length)) \
        "${genome:start:seed_length}"
done > "$work/seeds.fa"
batch=("$build/lorvex-extend" --seeds "$work/seeds.fa" --table "$work/lambda.pairs"
       --min-votes "$min_votes" --ratio "$dominance_ratio" --both
       --threads 2
       -o "$work/contigs.fa" --summary-tsv "$work/summary.tsv" --plot "$work/votes.svg")
describe "${batch[@]}"
"${batch[@]}" 2>&1 | short
echo "record headers of $output_name/contigs.fa (bases added on each side, why each side stopped):"
grep '^>' "$work/contigs.fa"
echo "$output_name/summary.tsv (the votes of the cycle that stopped each side, the repeat guard's depth):"
awk -F'\t' '{ printf "%-11s %-6s %11s %6s %-14s %6s %6s %6s %6s %13s %17s\n",
                 $1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11 }' "$work/summary.tsv"
awk '/^>/ { if (seq != "") print seq; seq = ""; next } { seq = seq $0 } END { print seq }' \
    "$work/contigs.fa" > "$work/contigs.txt"
while read -r contig; do
    if [[ "$genome" == *"$contig"* ]]; then
        echo "contig of ${#contig} bases: found in the genome as it is"
    else
        echo "contig of ${#contig} bases: NOT found in the genome"
        status=1
    fi
done < "$work/contigs.txt"

say "a circular genome (examples/plasmid.fa, 6,000 bases): lorvex-extend goes round the circle
   from a seed, stops where it comes back onto the seed and writes the circle once"
plasmid=$(grep -v '^>' "$examples/plasmid.fa" | tr -d '\n')
"$build/lorvex-prep" -q -1 "$examples/plasmid_reads_1.fq.gz" -2 "$examples/plasmid_reads_2.fq.gz" \
    -o "$work/plasmid"
printf '>gene_2001 plasmid:2001-2800\n%s\n' "${plasmid:2000:800}" > "$work/plasmid_seed.fa"
circle=("$build/lorvex-extend" --seeds "$work/plasmid_seed.fa" --table "$work/plasmid.pairs"
        --both -q -o "$work/plasmid_circle.fa"
        --summary-tsv "$work/plasmid_summary.tsv")
describe "${circle[@]}"
"${circle[@]}"
grep '^>' "$work/plasmid_circle.fa"
if [ "$(grep -v '^>' "$work/plasmid_circle.fa" | tr -d '\n')" = "${plasmid:2000}${plasmid:0:2000}" ]; then
    echo "the record is the circle once, from the seed's first base (position 2,001)"
else
    echo "the record is NOT the circle once from the seed's first base"
    status=1
fi

say "lorvex-close: four gaps cut into the genome (200, 600 and 1,500 bases as Ns of their length,
   400 bases as the unknown-size marker of 100 Ns), closed from both flanks"
scaffold=""
cursor=0
for gap in 8000:200:200 16000:600:600 26000:1500:1500 36000:400:100; do
    IFS=: read -r start length ns <<< "$gap"
    scaffold+="${genome:cursor:start - cursor}$(printf 'N%.0s' $(seq "$ns"))"
    cursor=$((start + length))
done
scaffold+="${genome:cursor}"
printf '>scaffold lambda_virus with 4 gaps\n%s\n' "$scaffold" > "$work/scaffold.fa"
close=("$build/lorvex-close" -s "$work/scaffold.fa" -t "$work/lambda.pairs"
       --min-distance "$min_distance" --max-distance "$max_distance" -j 2
       -o "$work/closed.fa" --gaps-tsv "$work/gaps.tsv")
describe "${close[@]}"
"${close[@]}" 2>&1 | short
echo "$output_name/gaps.tsv (one row per gap):"
column -t -s $'\t' "$work/gaps.tsv" 2>/dev/null || cat "$work/gaps.tsv"
closed=$(grep -v '^>' "$work/closed.fa" | tr -d '\n')
if [ "$closed" = "$genome" ]; then
    echo "the closed scaffold equals the genome"
else
    echo "the closed scaffold differs from the genome"
    status=1
fi
printf '\nEvery file of the demo is in %s/ (the tables and index, the seeds, the\n' "$output_name"
echo "programs' outputs); BUILD is $build."
exit $status
