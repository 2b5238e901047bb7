// lorvex-bench-genome: deterministic benchmark genomes.
//
//   lorvex-bench-genome repeats --out PREFIX [--length 2500000] [--families 12] [--seed 1]
//       A unique random background holding repeat families placed apart from
//       each other: PREFIX.fa (one record, `genome`) and PREFIX.repeats.tsv,
//       one row per copy (family, copy, start, end (0-based, end exclusive),
//       strand, length, the family's copies, its divergence in percent).
//   lorvex-bench-genome organelle --out PREFIX [--length 80000] [--gc 0.37] [--seed 1]
//       A single-copy genome of organelle size and base composition, read as
//       circular: PREFIX.fa (record `organelle`).
//
// Families: each has a random consensus of 300 to 5,000 bases and 2 to 100
// copies; every copy carries its own changes at half the family's divergence,
// so two copies differ at about the divergence (0 to 3 %). The first twelve
// families follow a fixed plan that spans the extremes (2 and 100 copies, 0
// and 3 %, 300 and 5,000 bases); further families are drawn at random.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_sequence.h"

namespace {

using bench::Random;

struct Family {
    size_t length;
    int copies;
    double divergence;  // percent between two copies
};

struct Copy {
    int family;
    int copy;
    size_t start;
    size_t end;
    char strand;
};

std::vector<Family> PlanFamilies(Random& random, size_t count) {
    static const Family plan[] = {{5000, 2, 0.0},  {300, 100, 3.0}, {2000, 5, 1.0},
                                  {1000, 20, 0.5}, {4000, 3, 2.0},  {600, 50, 0.0},
                                  {1500, 10, 1.5}, {3000, 2, 3.0},  {800, 30, 0.2},
                                  {2500, 8, 0.0},  {5000, 4, 2.5},  {1200, 15, 1.0}};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Family> families;
    for (size_t f = 0; f < count; ++f) {
        Family family;
        if (f < std::size(plan)) {
            family = plan[f];
            // A little spread around the plan, inside the 300 to 5,000 range.
            const double jitter = 0.9 + 0.2 * unit(random);
            family.length = std::clamp<size_t>(
                static_cast<size_t>(static_cast<double>(family.length) * jitter), 300, 5000);
        } else {
            family.length = static_cast<size_t>(300.0 * std::pow(5000.0 / 300.0, unit(random)));
            family.copies = static_cast<int>(2.0 * std::pow(50.0, unit(random)));
            family.divergence = std::round(300.0 * unit(random)) / 100.0;
        }
        families.push_back(family);
    }
    return families;
}

// Places every copy at a random free spot, at least `spacing` bases from any
// other copy and from the genome's ends.
std::vector<Copy> PlaceCopies(Random& random, const std::vector<Family>& families,
                              size_t genomeLength, size_t spacing) {
    std::vector<Copy> copies;
    for (size_t f = 0; f < families.size(); ++f) {
        for (int c = 0; c < families[f].copies; ++c) {
            const size_t span = families[f].length + 16;  // room for insertions
            bool placed = false;
            for (int attempt = 0; attempt < 100000 && !placed; ++attempt) {
                const size_t start = spacing + random() % (genomeLength - span - 2 * spacing);
                placed = std::none_of(copies.begin(), copies.end(), [&](const Copy& other) {
                    return start < other.end + spacing && other.start < start + span + spacing;
                });
                if (placed)
                    copies.push_back({static_cast<int>(f) + 1, c + 1, start, start + span,
                                      (random() & 1) ? '-' : '+'});
            }
            if (!placed)
                bench::Fail("lorvex-bench-genome: no room for the repeats; raise --length");
        }
    }
    return copies;
}

int Repeats(const bench::Options& options) {
    Random random(options.Whole("seed"));
    const size_t length = options.Whole("length");
    const std::string out = options.Text("out");
    std::string genome = bench::RandomBases(random, length);
    const std::vector<Family> families = PlanFamilies(random, options.Whole("families"));
    std::vector<Copy> copies = PlaceCopies(random, families, length, options.Whole("spacing"));

    std::vector<std::string> consensus;
    for (const Family& family : families)
        consensus.push_back(bench::RandomBases(random, family.length));
    std::string tsv = "family\tcopy\tstart\tend\tstrand\tlength\tfamily_copies\tdivergence\n";
    for (Copy& copy : copies) {
        const Family& family = families[copy.family - 1];
        std::string bases =
            bench::Mutate(random, consensus[copy.family - 1], family.divergence / 200.0);
        if (copy.strand == '-') bases = bench::ReverseComplement(bases);
        bases = bases.substr(0, copy.end - copy.start);
        genome.replace(copy.start, bases.size(), bases);
        copy.end = copy.start + bases.size();
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.start < b.start; });
    for (const Copy& copy : copies) {
        const Family& family = families[copy.family - 1];
        char row[256];
        std::snprintf(row, sizeof row, "%d\t%d\t%zu\t%zu\t%c\t%zu\t%d\t%.2f\n", copy.family,
                      copy.copy, copy.start, copy.end, copy.strand, copy.end - copy.start,
                      family.copies, family.divergence);
        tsv += row;
    }
    bench::WriteFasta(out + ".fa", {{"genome", "repeat families", genome}});
    bench::WriteText(out + ".repeats.tsv", tsv);
    size_t repeatBases = 0;
    for (const Copy& copy : copies) repeatBases += copy.end - copy.start;
    std::printf("%zu bases, %zu families, %zu copies, %.1f %% in repeats\n", length,
                families.size(), copies.size(),
                100.0 * static_cast<double>(repeatBases) / static_cast<double>(length));
    return 0;
}

// Short tandem repeats (units of 2 to 6 bases, 20 to 60 bases long), one per
// 2,000 bases, as organelle genomes carry them; no long single-base runs.
int Organelle(const bench::Options& options) {
    Random random(options.Whole("seed"));
    const size_t length = options.Whole("length");
    std::string genome = bench::RandomBases(random, length, options.Number("gc"));
    for (size_t k = 0; k < length / 2000; ++k) {
        const size_t unit = 2 + random() % 5;
        const size_t span = 20 + random() % 41;
        const size_t at = random() % (length - span - unit);
        for (size_t i = 0; i < span; ++i) genome[at + unit + i] = genome[at + i % unit];
    }
    bench::WriteFasta(options.Text("out") + ".fa", {{"organelle", "circular", genome}});
    std::printf("%zu bases, circular\n", length);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: lorvex-bench-genome repeats --out PREFIX [--length 2500000] [--families 12] "
        "[--spacing 3000] [--seed 1]\n"
        "       lorvex-bench-genome organelle --out PREFIX [--length 80000] [--gc 0.37] [--seed "
        "1]\n";
    const std::string kind = argc > 1 ? argv[1] : "";
    if (kind == "repeats") {
        const bench::Options options(argc, argv,
                                     {{"out", ""},
                                      {"length", "2500000"},
                                      {"families", "12"},
                                      {"spacing", "3000"},
                                      {"seed", "1"}},
                                     usage, 2);
        if (options.Text("out").empty()) bench::Fail(usage);
        return Repeats(options);
    }
    if (kind == "organelle") {
        const bench::Options options(
            argc, argv, {{"out", ""}, {"length", "80000"}, {"gc", "0.37"}, {"seed", "1"}}, usage,
            2);
        if (options.Text("out").empty()) bench::Fail(usage);
        return Organelle(options);
    }
    std::fputs(usage.c_str(), stderr);
    return 2;
}
