// Variants against repeats, as a user meets them: a population whose
// minority haplotype differs at many sites is extended with the majority
// and its sites are reported; a lone seed inside a family of diverged copies
// stops at the family's first split.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "extend_test_support.h"
#include "run/variant_rows.h"

namespace lorvex {
namespace {

using namespace testing;

const Distances populationDistances{"160", "199", "2", "1.5"};

class VariantsProgram : public ExtendProgram {
  protected:
    // Reads from a majority haplotype and a minority that differs from it
    // every `spacing` bases, at `minorShare` of the pairs.
    void PreparePopulation(size_t spacing, double minorShare) {
        reads_.genome = RandomBases(501, 6000);
        minority_ = reads_.genome;
        for (size_t site = 300; site + 300 < minority_.size(); site += spacing)
            minority_[site] = minority_[site] == 'A' ? 'C' : 'A';
        const int pairs = 12000;
        const int minorPairs = static_cast<int>(pairs * minorShare);
        reads_.pairs = SampleReadPairs(reads_.genome, 502, 50, 200, pairs - minorPairs);
        const std::vector<ReadPair> minor = SampleReadPairs(minority_, 503, 50, 200, minorPairs);
        reads_.pairs.insert(reads_.pairs.end(), minor.begin(), minor.end());
        files_ = WriteTableAndIndex(dir_, reads_.pairs);
    }

    std::string minority_;
};

// Along a single-copy genome whose reads split 80/20 at sites closer than a
// read length, the guard changes nothing; each row names a site where the
// haplotypes differ, with the majority base where the contig has it, and
// every site of the added bases is found. The same genome read alone gives
// no row.
TEST_F(VariantsProgram, SplitsAtSteadyDepthAreFollowedAndReported) {
    PreparePopulation(37, 0.2);
    const std::string& genome = reads_.genome;
    const std::vector<Seed> seeds = {{"middle", genome.substr(2500, 600)}};
    const std::string batch = WriteSeeds(seeds, "seeds.fa");
    const ExtendRun unguarded = RunExtend(batch, populationDistances, false, true, 2);
    repeatGuard_ = true;
    const std::string variantsPath = dir_.path() + "/variants.tsv";
    const ExtendRun run =
        RunExtend(batch, populationDistances, false, true, 2, {"--variants-tsv", variantsPath});
    ASSERT_EQ(run.run.status, 0) << run.run.err;
    EXPECT_EQ(run.fasta, unguarded.fasta);
    EXPECT_EQ(run.summary.find("\trepeat\t"), std::string::npos) << run.summary;
    const std::string contig = ParseFasta(run.fasta).at(0).sequence;
    const size_t offset = genome.find(contig);
    ASSERT_NE(offset, std::string::npos) << "the contig follows the majority";
    ASSERT_GT(contig.size(), 3000u) << run.summary;

    std::istringstream rows(ReadFile(variantsPath));
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "seed\tside\tposition\tmajor\tminor\tA\tC\tG\tT\tminor_share\tdepth");
    std::set<size_t> reported;
    std::map<std::string, int> perSide;
    while (std::getline(rows, row)) {
        const std::vector<std::string> f = Fields(row);
        ASSERT_EQ(f.size(), 11u) << row;
        const size_t position = std::stoul(f[2]);
        const size_t at = offset + position - 1;
        EXPECT_NE(genome[at], minority_[at]) << row;
        EXPECT_EQ(f[3], std::string(1, contig[position - 1])) << row;
        EXPECT_EQ(f[4], std::string(1, minority_[at])) << row;
        EXPECT_GE(std::stod(f[9]), 0.05) << row;
        reported.insert(at);
        ++perSide[f[1]];
    }
    // Sites in the added bases, away from the seed.
    size_t sites = 0;
    const size_t seedStart = genome.find(seeds[0].bases);
    for (size_t at = offset; at < offset + contig.size(); ++at)
        if (genome[at] != minority_[at] && (at < seedStart || at >= seedStart + 600)) ++sites;
    EXPECT_EQ(reported.size(), sites);
    EXPECT_GT(perSide["left"], 0);
    EXPECT_GT(perSide["right"], 0);
    // The summary counts each side's rows, the closing summary all of them.
    std::istringstream summary(run.summary);
    std::getline(summary, row);
    while (std::getline(summary, row)) {
        const std::vector<std::string> f = Fields(row);
        EXPECT_EQ(f[12], std::to_string(perSide[f[1]])) << row;
    }
    EXPECT_NE(run.run.err.find("; " + std::to_string(reported.size()) + " variant sites; "),
              std::string::npos)
        << run.run.err;

    PreparePopulation(37, 0);
    const ExtendRun clean =
        RunExtend(batch, populationDistances, false, true, 2, {"--variants-tsv", variantsPath});
    ASSERT_EQ(clean.run.status, 0) << clean.run.err;
    EXPECT_EQ(ReadFile(variantsPath), VariantRowsHeader("seed"));
}

// A seed inside one copy of a family of six diverged copies, run alone: the
// guard's depth comes from the table, not from the seed (which lies six
// times as deep), so each side stops at once with bases of the seed's own
// copy; without the guard the sides run on through other copies.
TEST_F(VariantsProgram, ALoneSeedInARepeatFamilyStopsAtOnce) {
    const std::string repeat = RandomBases(601, 1000);
    std::string genome = RandomBases(602, 1500);
    size_t firstCopy = 0;
    for (uint64_t copy = 0; copy < 6; ++copy) {
        std::string diverged = repeat;
        for (size_t site = 13 + 7 * copy; site < diverged.size(); site += 150 + 11 * copy)
            diverged[site] = diverged[site] == 'G' ? 'T' : 'G';
        if (copy == 0) firstCopy = genome.size();
        genome += diverged + RandomBases(610 + copy, 1200);
    }
    reads_.genome = genome;
    reads_.pairs = SampleReadPairs(genome, 620, 50, 200, 9000);
    files_ = WriteTableAndIndex(dir_, reads_.pairs);
    const Seed seed{"lone", genome.substr(firstCopy + 200, 600)};
    const std::string batch = WriteSeeds({seed}, "seed.fa");
    repeatGuard_ = true;
    const ExtendRun run = RunExtend(batch, populationDistances, false, true, 1);
    ASSERT_EQ(run.run.status, 0) << run.run.err;
    repeatGuard_ = false;
    const ExtendRun unguarded = RunExtend(batch, populationDistances, false, true, 1);
    const FastaEntry guarded = ParseFasta(run.fasta).at(0);
    EXPECT_NE(guarded.header.find("left_stop=repeat right_stop=repeat"), std::string::npos)
        << guarded.header;
    // The copies differ every 150 to 205 bases: each side stops at its first split.
    EXPECT_LT(guarded.sequence.size(), seed.bases.size() + 2 * 210) << guarded.header;
    EXPECT_NE(genome.find(guarded.sequence), std::string::npos);
    EXPECT_GT(ParseFasta(unguarded.fasta).at(0).sequence.size(), guarded.sequence.size() + 200);
}

}  // namespace
}  // namespace lorvex
