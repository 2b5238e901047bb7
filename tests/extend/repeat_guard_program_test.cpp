// lorvex-extend's repeat guard, run as a user runs it on a genome with two
// copies of a repeat: it stops a side where the copies disagree, a guarded
// side is a prefix of the unguarded one, and a run whose depth cannot be
// estimated goes on without the guard.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "extend_test_support.h"

namespace lorvex {
namespace {

using namespace testing;

// A genome with two identical copies of a 700-base repeat between unique
// stretches, and seeds that reach a copy's edge on each side: before the
// first copy, inside it, between the copies, after the second.
class RepeatGuardProgram : public ExtendProgram {
  protected:
    static constexpr size_t repeatLength = 700;
    static constexpr size_t firstCopy = 1500;
    static constexpr size_t secondCopy = firstCopy + repeatLength + 1200;

    void PrepareRepeats() {
        const std::string repeat = testing::RandomBases(901, repeatLength);
        reads_.genome = testing::RandomBases(902, firstCopy) + repeat +
                        testing::RandomBases(903, 1200) + repeat + testing::RandomBases(904, 1500);
        reads_.pairs = testing::SampleReadPairs(reads_.genome, 905, 50, 200, 3500);
        files_ = testing::WriteTableAndIndex(dir_, reads_.pairs);
    }

    std::vector<Seed> RepeatSeeds() const {
        const std::string& genome = reads_.genome;
        return {{"before", genome.substr(firstCopy - 600, 600)},
                {"inside", genome.substr(firstCopy + 50, 600)},
                {"between", genome.substr(firstCopy + repeatLength, 600)},
                {"after", genome.substr(secondCopy + repeatLength + 400, 600)}};
    }

    // At most 3,000 bases a side: without the guard, a side can go round
    // from one copy to the other for ever.
    ExtendRun RunCapped(const std::string& seedsPath, const Distances& d, bool both, int threads,
                        std::vector<std::string> extra = {}) const {
        extra.insert(extra.end(), {"--max-bases", "3000"});
        return RunExtend(seedsPath, d, false, both, threads, extra);
    }

    // Each side's added bases, outward from the seed on its strand, and its
    // stop, by seed name and side.
    static std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> Sides(
        const ExtendRun& run) {
        std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> sides;
        std::istringstream lines(run.summary);
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = Fields(line);
            sides[{f[0], f[1]}].second = f[4];
        }
        lines = std::istringstream(run.bases);
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const std::vector<std::string> f = Fields(line);
            sides[{f[0], f[1]}].first += f[4];
        }
        return sides;
    }
};

const Distances repeatDistances{"160", "199", "2", "0.2"};

// Where two copies' reads disagree the guard stops the side, whose bases are
// all the genome's; without it the side runs on, through the wrong copy at
// least once.
TEST_F(RepeatGuardProgram, StopsWhereTheCopiesDisagree) {
    PrepareRepeats();
    const std::vector<Seed> seeds = RepeatSeeds();
    const std::string batch = WriteSeeds(seeds, "seeds.fa");
    const ExtendRun unguarded = RunCapped(batch, repeatDistances, true, 2);
    repeatGuard_ = true;
    const ExtendRun guarded = RunCapped(batch, repeatDistances, true, 2);
    ASSERT_EQ(guarded.run.status, 0) << guarded.run.err;
    EXPECT_NE(guarded.run.err.find(" (estimated)"), std::string::npos) << guarded.run.err;
    const auto guardedSides = Sides(guarded), unguardedSides = Sides(unguarded);
    const std::string& genome = reads_.genome;
    int wrongWithout = 0;
    for (const Seed& seed : seeds) {
        const size_t start = genome.find(seed.bases);
        for (const std::string side : {"left", "right"}) {
            const auto& [bases, stop] = guardedSides.at({seed.name, side});
            const auto& [longer, unguardedStop] = unguardedSides.at({seed.name, side});
            const std::string what = seed.name + " " + side;
            // The outer sides of the outer seeds meet no copy's edge.
            if ((seed.name == "before" && side == "left") ||
                (seed.name == "after" && side == "right")) {
                EXPECT_EQ(bases, longer) << what;
                continue;
            }
            EXPECT_EQ(stop, "repeat") << what;
            EXPECT_LT(bases.size(), longer.size()) << what;
            std::string truth;  // the genome outward from the seed
            if (side == "right") {
                truth = genome.substr(start + seed.bases.size(), longer.size());
            } else {
                const size_t reach = std::min(start, longer.size());
                truth = genome.substr(start - reach, reach);
                std::reverse(truth.begin(), truth.end());
            }
            EXPECT_EQ(bases, truth.substr(0, bases.size())) << what;
            wrongWithout += longer != truth.substr(0, longer.size());
        }
    }
    EXPECT_GT(wrongWithout, 0);
}

// With the guard, every side is the start of the same side without it, its
// stop the same or `repeat`, on repeats and on noisy single-copy reads, with
// the depth estimated or given, on one thread or two.
TEST_F(RepeatGuardProgram, EachSideIsAPrefixOfTheUnguardedSide) {
    int shortened = 0;
    for (const bool repeats : {true, false}) {
        std::vector<Seed> seeds;
        Distances d = repeatDistances;
        if (repeats) {
            PrepareRepeats();
            seeds = RepeatSeeds();
        } else {
            Prepare(dataSetups[1]);  // a read error every 50 bases, ratio 1
            d = dataSetups[1].main;
            seeds = SeedsAlongTheGenome();
        }
        const std::string batch = WriteSeeds(seeds, "seeds.fa");
        repeatGuard_ = false;
        const auto unguarded = Sides(RunCapped(batch, d, true, 1));
        repeatGuard_ = true;
        for (const std::vector<std::string>& depth :
             {std::vector<std::string>{}, {"--depth", "4"}, {"--depth", "12.5"}}) {
            const ExtendRun one = RunCapped(batch, d, true, 1, depth);
            ASSERT_EQ(one.run.status, 0) << one.run.err;
            const std::string given = depth.empty() ? "" : depth[1];
            EXPECT_NE(one.run.err.find(depth.empty() ? " (estimated)" : given + " (given)"),
                      std::string::npos)
                << one.run.err;
            if (!depth.empty()) {
                EXPECT_NE(one.summary.find("\t" + given + "\t"), std::string::npos);
            }
            for (const auto& [key, side] : Sides(one)) {
                const auto& [bases, stop] = side;
                const auto& [full, fullStop] = unguarded.at(key);
                const std::string what = key.first + " " + key.second + " " + given;
                EXPECT_EQ(full.substr(0, bases.size()), bases) << what;
                EXPECT_TRUE(stop == fullStop || stop == "repeat") << what << " " << stop;
                shortened += bases.size() < full.size();
            }
            const ExtendRun two = RunCapped(batch, d, true, 2, depth);
            EXPECT_EQ(two.fasta, one.fasta);
            EXPECT_EQ(two.bases, one.bases);
            EXPECT_EQ(two.summary, one.summary);
        }
    }
    EXPECT_GT(shortened, 10);
}

// Too few cycles to replay, or seeds the reads do not cover: the run says so
// in one line and extends as without the guard.
TEST_F(RepeatGuardProgram, WithoutAnEstimateTheRunGoesOnUnguarded) {
    PrepareRepeats();
    const std::string& genome = reads_.genome;
    for (const std::vector<Seed>& seeds :
         {std::vector<Seed>{{"a", genome.substr(100, 250)}, {"b", genome.substr(4000, 250)}},
          std::vector<Seed>{{"foreign", testing::RandomBases(77, 900)}}}) {
        const std::string batch = WriteSeeds(seeds, "seeds.fa");
        const ExtendRun unguarded = RunCapped(batch, repeatDistances, false, 1);
        repeatGuard_ = true;
        const ExtendRun run = RunCapped(batch, repeatDistances, false, 1);
        repeatGuard_ = false;
        ASSERT_EQ(run.run.status, 0) << run.run.err;
        const std::string why = seeds.size() == 2 ? "(102 cycles could be replayed, 200 are needed"
                                                  : "(the replayed cycles' median is 0 votes)";
        EXPECT_EQ(run.run.err.rfind(
                      "lorvex-extend: warning: cannot estimate the single-copy depth " + why, 0),
                  0u)
            << run.run.err;
        EXPECT_NE(run.run.err.find("; extending without the repeat guard, give --depth N to set "
                                   "it\nlorvex-extend: "),
                  std::string::npos);
        EXPECT_NE(run.run.err.find("; repeat guard off (no single-copy depth)"), std::string::npos);
        EXPECT_EQ(run.fasta, unguarded.fasta);
        EXPECT_EQ(run.summary, unguarded.summary);
    }
}

}  // namespace
}  // namespace lorvex
