// lorvex-bench-gaps: scaffolds with gaps of known content, for judging gap
// closers.
//
//   lorvex-bench-gaps --genome G.fa --out PREFIX [--gaps 10] [--min-gap 50]
//       [--max-gap 2000] [--marker 0] [--records 1] [--spacing 3000]
//       [--repeats G.repeats.tsv --in-repeats 0] [--seed 1]
//
// Takes the first record of G.fa, cuts `--gaps` stretches of `--min-gap` to
// `--max-gap` bases (spread evenly on a log scale) and writes each as a run
// of N of the same length, or of `--marker` N whatever the true length when
// that is not 0 (the fixed-size gaps some assemblers write when the size is
// unknown). Gaps keep `--spacing` bases of sequence between them and from the
// ends. With --repeats, `--in-repeats` of the gaps begin inside a repeat copy.
// With --records K the scaffold is split into K records between gaps.
//
// Writes PREFIX.fa and PREFIX.tsv with one row per gap: record, gap (1-based
// within the record), start (0-based, in the scaffold record), n_length,
// true_length, genome_start, genome_end, in_repeat (the family, or -),
// true_sequence.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_sequence.h"

namespace {

struct Gap {
    size_t start;  // in the genome
    size_t length;
    std::string family;
};

struct Copy {
    size_t start;
    size_t end;
    std::string family;
};

}  // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: lorvex-bench-gaps --genome G.fa --out PREFIX [--gaps 10] [--min-gap 50] "
        "[--max-gap 2000] [--marker 0] [--records 1] [--spacing 3000] [--repeats R.tsv "
        "--in-repeats 0] [--seed 1]\n";
    const bench::Options options(argc, argv,
                                 {{"genome", ""},
                                  {"out", ""},
                                  {"gaps", "10"},
                                  {"min-gap", "50"},
                                  {"max-gap", "2000"},
                                  {"marker", "0"},
                                  {"records", "1"},
                                  {"spacing", "3000"},
                                  {"repeats", ""},
                                  {"in-repeats", "0"},
                                  {"seed", "1"}},
                                 usage);
    if (options.Text("genome").empty() || options.Text("out").empty()) bench::Fail(usage);
    const std::string genome = bench::ReadFasta(options.Text("genome")).front().bases;
    const size_t gapCount = options.Whole("gaps");
    const size_t minGap = options.Whole("min-gap"), maxGap = options.Whole("max-gap");
    const size_t spacing = options.Whole("spacing");
    const size_t marker = options.Whole("marker");
    bench::Random random(options.Whole("seed"));

    std::vector<Copy> copies;
    if (!options.Text("repeats").empty())
        for (const auto& row : bench::ReadTsv(options.Text("repeats")))
            if (row.size() >= 4 && row[0] != "family")
                copies.push_back({std::stoul(row[2]), std::stoul(row[3]), row[0]});

    // Gap lengths from min to max on a log scale, in random order.
    std::vector<size_t> lengths;
    for (size_t g = 0; g < gapCount; ++g) {
        const double share = gapCount > 1 ? static_cast<double>(g) / (gapCount - 1) : 0.0;
        lengths.push_back(static_cast<size_t>(
            std::round(minGap * std::pow(static_cast<double>(maxGap) / minGap, share))));
    }
    std::shuffle(lengths.begin(), lengths.end(), random);

    std::vector<Gap> gaps;
    const auto fits = [&](size_t start, size_t length) {
        if (start < spacing || start + length + spacing > genome.size()) return false;
        return std::none_of(gaps.begin(), gaps.end(), [&](const Gap& other) {
            return start < other.start + other.length + spacing &&
                   other.start < start + length + spacing;
        });
    };
    const size_t inRepeats = copies.empty() ? 0 : options.Whole("in-repeats");
    for (size_t g = 0; g < gapCount; ++g) {
        bool placed = false;
        for (int attempt = 0; attempt < 100000 && !placed; ++attempt) {
            Gap gap{0, lengths[g], "-"};
            if (g < inRepeats) {
                const Copy& copy = copies[random() % copies.size()];
                gap.start = copy.start + random() % (copy.end - copy.start);
                gap.family = copy.family;
            } else {
                gap.start = random() % genome.size();
                for (const Copy& copy : copies)
                    if (gap.start < copy.end && copy.start < gap.start + gap.length)
                        gap.family = copy.family;
            }
            if ((placed = fits(gap.start, gap.length))) gaps.push_back(gap);
        }
        if (!placed) bench::Fail("lorvex-bench-gaps: no room for the gaps; lower --spacing");
    }
    std::sort(gaps.begin(), gaps.end(),
              [](const Gap& a, const Gap& b) { return a.start < b.start; });

    // Record boundaries: midway between two gaps, at evenly spread gap indices.
    const size_t records = std::clamp<size_t>(options.Whole("records"), 1, gaps.size() + 1);
    std::vector<size_t> cuts;  // genome positions where a new record begins
    for (size_t r = 1; r < records; ++r) {
        const size_t after = r * gaps.size() / records;  // gaps [0, after) in earlier records
        const size_t from = gaps[after - 1].start + gaps[after - 1].length;
        cuts.push_back(from + (gaps[after].start - from) / 2);
    }
    cuts.push_back(genome.size());

    std::vector<bench::FastaRecord> scaffolds;
    std::string tsv =
        "record\tgap\tstart\tn_length\ttrue_length\tgenome_start\tgenome_end\tin_repeat\t"
        "true_sequence\n";
    size_t next = 0, recordStart = 0;
    for (size_t r = 0; r < cuts.size(); ++r) {
        bench::FastaRecord record{"scaffold" + std::to_string(r + 1), "", ""};
        size_t at = recordStart, number = 0;
        for (; next < gaps.size() && gaps[next].start < cuts[r]; ++next) {
            const Gap& gap = gaps[next];
            record.bases += genome.substr(at, gap.start - at);
            const size_t nLength = marker ? marker : gap.length;
            char row[256];
            std::snprintf(row, sizeof row, "%s\t%zu\t%zu\t%zu\t%zu\t%zu\t%zu\t%s\t",
                          record.name.c_str(), ++number, record.bases.size(), nLength, gap.length,
                          gap.start, gap.start + gap.length, gap.family.c_str());
            tsv += row + genome.substr(gap.start, gap.length) + '\n';
            record.bases += std::string(nLength, 'N');
            at = gap.start + gap.length;
        }
        record.bases += genome.substr(at, cuts[r] - at);
        record.description =
            "genome " + std::to_string(recordStart) + "-" + std::to_string(cuts[r]);
        scaffolds.push_back(std::move(record));
        recordStart = cuts[r];
    }
    bench::WriteFasta(options.Text("out") + ".fa", scaffolds);
    bench::WriteText(options.Text("out") + ".tsv", tsv);
    std::printf("%zu gaps in %zu records\n", gaps.size(), scaffolds.size());
    return 0;
}
