#include "calling/base_choice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace lorvex {
namespace {

// The values an unseeded rand() gives, in order.
std::vector<int> UnseededDraws(int count) {
    std::srand(1);
    std::vector<int> draws;
    for (int i = 0; i < count; ++i) draws.push_back(std::rand());
    std::srand(1);
    return draws;
}

TEST(ChooseBase, AClearWinnerNeedsNoDraw) {
    const std::vector<std::pair<BaseVotes, char>> rows = {
        {{9, 1, 1, 1}, 'A'}, {{0, 2, 1, 0}, 'C'}, {{0, 1, 7, 0}, 'G'},
        {{1, 1, 1, 4}, 'T'}, {{5, 2, 2, 0}, 'A'},  // a tie below the top draws nothing
    };
    const int expected = UnseededDraws(1)[0];
    TieBreakSource source = TieBreakSource::ProcessRand();
    for (const auto& [votes, base] : rows) EXPECT_EQ(ChooseBase(votes, source), base);
    EXPECT_EQ(std::rand(), expected);  // the generator has not moved
}

TEST(ChooseBase, NoVotesGiveNWithoutADraw) {
    const int expected = UnseededDraws(1)[0];
    TieBreakSource source = TieBreakSource::ProcessRand();
    EXPECT_EQ(ChooseBase({0, 0, 0, 0}, source), 'N');
    EXPECT_EQ(std::rand(), expected);
}

TEST(ChooseBase, TiesTakeOneDrawEachInOrder) {
    struct Tie {
        BaseVotes votes;
        std::string tied;  // the tied bases in A, C, G, T order
    };
    const std::vector<Tie> ties = {
        {{3, 3, 0, 0}, "AC"},  {{3, 0, 3, 0}, "AG"},  {{3, 0, 0, 3}, "AT"},   {{0, 3, 3, 0}, "CG"},
        {{0, 3, 0, 3}, "CT"},  {{1, 0, 3, 3}, "GT"},  {{2, 2, 2, 1}, "ACG"},  {{2, 2, 1, 2}, "ACT"},
        {{2, 1, 2, 2}, "AGT"}, {{0, 2, 2, 2}, "CGT"}, {{1, 1, 1, 1}, "ACGT"},
    };
    // Round after round, so every row meets draws of both parities and all remainders.
    const int rounds = 12;
    const std::vector<int> draws = UnseededDraws(static_cast<int>(ties.size()) * rounds);
    TieBreakSource source = TieBreakSource::ProcessRand();
    size_t next = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const Tie& tie : ties) {
            const int draw = draws[next++];
            const size_t pick = tie.tied.size() == 2 ? static_cast<size_t>(draw & 1)
                                                     : static_cast<size_t>(draw) % tie.tied.size();
            ASSERT_EQ(ChooseBase(tie.votes, source), tie.tied[pick]) << tie.tied << " " << draw;
            // A decided cycle between ties consumes nothing.
            ASSERT_EQ(ChooseBase({0, 1, 7, 0}, source), 'G');
        }
    }
}

TEST(TieBreakSource, PrivateSourcesRepeatTheUnseededSequence) {
    const std::vector<int> draws = UnseededDraws(50);
    TieBreakSource first = TieBreakSource::Private();
    std::rand();  // the process generator moving does not disturb a private one
    TieBreakSource second = TieBreakSource::Private();
    for (int draw : draws) {
        EXPECT_EQ(first.Draw(), draw);
        EXPECT_EQ(second.Draw(), draw);
    }
}

TEST(UpdateContig, AppendsTheChosenBase) {
    std::string contig = "ACGT";
    TieBreakSource source = TieBreakSource::Private();
    UpdateContig(contig, {0, 1, 7, 0}, source);
    EXPECT_EQ(contig, "ACGTG");
}

}  // namespace
}  // namespace lorvex
