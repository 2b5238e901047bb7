// lorvex-extend on circular and linear genomes: a circle is closed and
// written once from the seed's first base, however the seed sits on it; a
// linear genome whose seed's start recurs further on stays open.
#include <gtest/gtest.h>

#include <sstream>

#include "extend_test_support.h"
#include "input/input_stream.h"

namespace lorvex {
namespace {

using namespace testing;

const Distances circleDistances{"160", "199", "2", "0.2"};

class CircleProgram : public ExtendProgram {
  protected:
    // Reads of 50 bases from fragments of about 200 that may run across the
    // genome's end: a circle's reads wrap round it, a linear genome's do not.
    void PrepareGenome(const std::string& genome, bool circular) {
        reads_.genome = genome;
        const std::string sampled = circular ? genome + genome.substr(0, 300) : genome;
        reads_.pairs = SampleReadPairs(sampled, 1103, 50, 200, int(sampled.size()));
        files_ = WriteTableAndIndex(dir_, reads_.pairs);
        repeatGuard_ = true;  // --no-repeat-guard closes no circle
    }

    // Every seed's (topology, stops) from the summary, in input order.
    static std::vector<std::string> Topologies(const ExtendRun& run) {
        std::vector<std::string> rows;
        std::istringstream lines(run.summary);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = Fields(line);
            rows.push_back(f[0] + " " + f[1] + " " + f[4] + " " + f[11]);
        }
        return rows;
    }
};

// The genome from `at` round to the base before it.
std::string TurnedTo(const std::string& circle, size_t at) {
    return circle.substr(at) + circle.substr(0, at);
}

TEST_F(CircleProgram, ACircleIsClosedAndWrittenOnceFromTheSeedsStart) {
    const std::string circle = RandomBases(1101, 3000);
    PrepareGenome(circle, true);
    const std::vector<size_t> starts = {0, 1200, 2790};  // the last seed runs across the end
    std::vector<Seed> seeds;
    for (const size_t at : starts)
        seeds.push_back({"at" + std::to_string(at), TurnedTo(circle, at).substr(0, 400)});
    const std::string seedsPath = WriteSeeds(seeds, "seeds.fa");
    for (const bool both : {false, true}) {
        const ExtendRun run = RunExtend(seedsPath, circleDistances, false, both, 2,
                                        {"--max-bases", "20000", "--plot", dir_.path() + "/p.svg"});
        ASSERT_EQ(run.run.status, 0) << run.run.err;
        const std::vector<FastaEntry> records = ParseFasta(run.fasta);
        ASSERT_EQ(records.size(), seeds.size());
        const std::vector<std::string> rows = Topologies(run);
        for (size_t i = 0; i < seeds.size(); ++i) {
            const std::string what = seeds[i].name + (both ? " both" : " right");
            EXPECT_EQ(records[i].sequence, TurnedTo(circle, starts[i])) << what;
            EXPECT_NE(records[i].header.find(" length=3000 circular=true"), std::string::npos)
                << records[i].header;
            // The right side closes, going round or meeting the left side.
            EXPECT_EQ(rows[i * (both ? 2 : 1) + (both ? 1 : 0)],
                      seeds[i].name + " right circular circular")
                << what;
        }
        EXPECT_NE(run.run.err.find("circular "), std::string::npos) << run.run.err;
        EXPECT_NE(ReadWholeInput(dir_.path() + "/p.svg").find(">junction: step "),
                  std::string::npos);
    }
    repeatGuard_ = false;
    const ExtendRun unguarded =
        RunExtend(seedsPath, circleDistances, false, false, 2, {"--max-bases", "4000"});
    EXPECT_EQ(Topologies(unguarded)[0], "at0 right cap-reached linear");
}

// The seed's first 150 bases recur 700 bases past its end: the right side's
// end matches the contig's start there, but the pairs that span the copy's
// end carry the side on along the genome, which is written linear.
TEST_F(CircleProgram, ALinearGenomeStaysOpenWhereTheSeedsStartRecurs) {
    std::string genome = RandomBases(1201, 3000);
    const std::string seed = genome.substr(400, 500);
    genome.replace(1600, 150, seed.substr(0, 150));
    PrepareGenome(genome, false);
    const std::string seedsPath = WriteSeeds({{"recurring", seed}}, "seeds.fa");
    for (const bool both : {false, true}) {
        const ExtendRun run = RunExtend(seedsPath, circleDistances, false, both, 1);
        ASSERT_EQ(run.run.status, 0) << run.run.err;
        const std::vector<FastaEntry> records = ParseFasta(run.fasta);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].header.find("circular"), std::string::npos) << records[0].header;
        for (const std::string& row : Topologies(run))
            EXPECT_EQ(row.substr(row.size() - 7), " linear");
        // Past the copy's end, almost to the genome's end.
        const size_t start = genome.find(records[0].sequence);
        ASSERT_NE(start, std::string::npos);
        EXPECT_GT(start + records[0].sequence.size(), 2900u);
        if (both) {
            EXPECT_LT(start, 100u);
        }
    }
}

// A circle with an inverted repeat longer than the fragments: from a seed in
// the large single-copy stretch, each side runs through a whole copy and
// stops with `repeat` where the copies' flanks differ; nothing closes.
TEST_F(CircleProgram, AnInvertedRepeatStopsBothSidesAtTheCopiesFlanks) {
    const std::string large = RandomBases(1301, 1500), copy = RandomBases(1302, 700);
    const std::string circle = large + copy + RandomBases(1303, 800) + ReverseComplementOf(copy);
    PrepareGenome(circle, true);
    const ExtendRun run = RunExtend(WriteSeeds({{"large", large.substr(400, 700)}}, "seeds.fa"),
                                    circleDistances, false, true, 1, {"--max-bases", "20000"});
    ASSERT_EQ(run.run.status, 0) << run.run.err;
    EXPECT_EQ(Topologies(run),
              (std::vector<std::string>{"large left repeat linear", "large right repeat linear"}));
    const std::vector<FastaEntry> records = ParseFasta(run.fasta);
    ASSERT_EQ(records.size(), 1u);
    // Every base is the genome's: the copy before the stretch, the stretch, the copy after.
    const std::string around = circle.substr(circle.size() - copy.size()) + circle;
    EXPECT_NE(around.find(records[0].sequence), std::string::npos);
    EXPECT_GT(records[0].sequence.size(), large.size() + 2 * (copy.size() - 60));
}

}  // namespace
}  // namespace lorvex
