// lorvex-bench-seeds: seeds cut from a repeat genome at known places, for
// judging extensions.
//
//   lorvex-bench-seeds --genome G.fa --repeats G.repeats.tsv --out PREFIX
//       [--length 1000] [--per-class 6] [--seed 1]
//
// Four classes, each seen on the seed's own strand (its right end is the end
// `lorvex` extends):
//   before  the seed ends 0 to 200 bases before a repeat copy begins;
//   after   the seed begins 0 to 200 bases after a copy ends;
//   inside  the seed lies within a copy (copies long enough for it);
//   unique  the seed lies at least 3,000 bases from every copy.
// before, after and unique seeds hold no repeat base. A genome without
// repeats gets `--per-class` unique seeds only. Families are taken in
// turn so that every class meets few-copy and many-copy, close and diverged
// families. Half the seeds, at random, are reverse complements.
//
// Writes PREFIX.fa (names seed01, seed02, ...; the description tells the
// class, family, place and strand) and PREFIX.tsv with the columns
// name, start (0-based, on the genome's forward strand), length, strand,
// class, family, copy, family_copies, divergence.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_sequence.h"

namespace {

struct Copy {
    int family;
    int copy;
    size_t start;
    size_t end;
    int familyCopies;
    std::string divergence;
};

struct Seed {
    size_t start;
    char strand;
    std::string kind;
    const Copy* copy;  // the repeat copy the class refers to, or none
};

bool HoldsRepeat(const std::vector<Copy>& copies, size_t start, size_t end, size_t margin) {
    return std::any_of(copies.begin(), copies.end(), [&](const Copy& copy) {
        return start < copy.end + margin && copy.start < end + margin;
    });
}

}  // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: lorvex-bench-seeds --genome G.fa --repeats G.repeats.tsv --out PREFIX "
        "[--length 1000] [--per-class 6] [--seed 1]\n";
    const bench::Options options(argc, argv,
                                 {{"genome", ""},
                                  {"repeats", ""},
                                  {"out", ""},
                                  {"length", "1000"},
                                  {"per-class", "6"},
                                  {"seed", "1"}},
                                 usage);
    if (options.Text("genome").empty() || options.Text("repeats").empty() ||
        options.Text("out").empty())
        bench::Fail(usage);
    const std::string genome = bench::ReadFasta(options.Text("genome")).front().bases;
    std::vector<Copy> copies;
    for (const auto& row : bench::ReadTsv(options.Text("repeats"))) {
        if (row.size() < 8 || row[0] == "family") continue;
        copies.push_back({std::stoi(row[0]), std::stoi(row[1]), std::stoul(row[2]),
                          std::stoul(row[3]), std::stoi(row[6]), row[7]});
    }
    int families = 0;  // a genome without repeats gets unique seeds only
    for (const Copy& copy : copies) families = std::max(families, copy.family);

    const size_t length = options.Whole("length");
    const size_t perClass = options.Whole("per-class");
    bench::Random random(options.Whole("seed"));
    std::vector<Seed> seeds;
    const auto copyOf = [&](int family, size_t minLength) -> const Copy* {
        std::vector<const Copy*> members;
        for (const Copy& copy : copies)
            if (copy.family == family && copy.end - copy.start >= minLength)
                members.push_back(&copy);
        return members.empty() ? nullptr : members[random() % members.size()];
    };
    int family = 0;  // taken in turn across the classes, so they meet different families
    for (const std::string kind : {"before", "inside", "after"}) {
        if (families == 0) break;
        for (size_t made = 0, tries = 0; made < perClass && tries < 1000; ++tries) {
            family = family % families + 1;
            const Copy* copy = copyOf(family, kind == "inside" ? length + 100 : 0);
            if (!copy) continue;
            const char strand = (random() & 1) ? '-' : '+';
            const size_t offset = random() % 201;
            size_t start;
            if (kind == "inside") {
                start = copy->start + 50 + random() % (copy->end - copy->start - length - 99);
            } else {
                // On the forward strand, "before" on the seed's strand is
                // before the copy for a + seed and after it for a - seed.
                const bool leftOfCopy = (kind == "before") == (strand == '+');
                if (leftOfCopy) {
                    if (copy->start < offset + length) continue;
                    start = copy->start - offset - length;
                } else {
                    start = copy->end + offset;
                }
                if (start + length > genome.size() || HoldsRepeat(copies, start, start + length, 0))
                    continue;
            }
            seeds.push_back({start, strand, kind, copy});
            ++made;
        }
    }
    for (size_t made = 0, tries = 0; made < perClass && tries < 100000; ++tries) {
        const size_t start = random() % (genome.size() - length);
        if (HoldsRepeat(copies, start, start + length, 3000)) continue;
        seeds.push_back({start, (random() & 1) ? '-' : '+', "unique", nullptr});
        ++made;
    }

    std::vector<bench::FastaRecord> records;
    std::string tsv =
        "name\tstart\tlength\tstrand\tclass\tfamily\tcopy\tfamily_copies\tdivergence\n";
    for (size_t i = 0; i < seeds.size(); ++i) {
        const Seed& seed = seeds[i];
        char name[32], row[512];
        std::snprintf(name, sizeof name, "seed%02zu", i + 1);
        const std::string family = seed.copy ? std::to_string(seed.copy->family) : "-";
        const std::string copy = seed.copy ? std::to_string(seed.copy->copy) : "-";
        const std::string familyCopies = seed.copy ? std::to_string(seed.copy->familyCopies) : "-";
        const std::string divergence = seed.copy ? seed.copy->divergence : "-";
        std::snprintf(row, sizeof row, "%s\t%zu\t%zu\t%c\t%s\t%s\t%s\t%s\t%s\n", name, seed.start,
                      length, seed.strand, seed.kind.c_str(), family.c_str(), copy.c_str(),
                      familyCopies.c_str(), divergence.c_str());
        tsv += row;
        std::string bases = genome.substr(seed.start, length);
        if (seed.strand == '-') bases = bench::ReverseComplement(bases);
        records.push_back({name,
                           seed.kind + " family=" + family + " copies=" + familyCopies +
                               " divergence=" + divergence +
                               " start=" + std::to_string(seed.start) + " strand=" + seed.strand,
                           bases});
    }
    bench::WriteFasta(options.Text("out") + ".fa", records);
    bench::WriteText(options.Text("out") + ".tsv", tsv);
    std::printf("%zu seeds of %zu bases\n", seeds.size(), length);
    return 0;
}
