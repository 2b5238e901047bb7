#include "calling/overlap_voting.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "reference/literal_mates.h"
#include "reference/literal_voting.h"
#include "test_support.h"

namespace lorvex {
namespace {

// The contig ends in 40 copies of `tailBase`; the mate begins with `run`
// copies of it followed by `next`, so every overlap o <= run matches with
// candidate tailBase (o < run) or `next` (o == run). The quality array picks
// which of those trials qualify.
struct VoteCase {
    char tailBase;
    int run;
    char next;
    std::set<int> qualifyingOverlaps;
};

BaseVotes VoteOf(const VoteCase& voteCase, Variant variant, int32_t readLength = 30,
                 uint8_t highQuality = 40) {
    const std::string contig = testing::RandomBases(3, 70) + std::string(40, voteCase.tailBase);
    std::string mate = std::string(voteCase.run, voteCase.tailBase) + voteCase.next;
    mate.resize(static_cast<size_t>(readLength), 'A');
    std::vector<uint8_t> quality(static_cast<size_t>(readLength), 0);
    for (int overlap : voteCase.qualifyingOverlaps) quality[overlap] = highQuality;
    BaseVotes votes;
    IncrementCountsFromRead(mate.c_str(), quality.data(), votes, contig.data(),
                            static_cast<int32_t>(contig.size()), readLength, variant);
    return votes;
}

const BaseVotes noVotes{0, 0, 0, 0};
const BaseVotes oneG{0, 0, 1, 0};

TEST(IncrementCountsFromRead, OutcomesByCandidates) {
    struct Row {
        VoteCase voteCase;
        BaseVotes main;
        BaseVotes strict;
    };
    const std::vector<Row> rows = {
        {{'G', 24, 'A', {}}, noVotes, noVotes},                 // none
        {{'G', 24, 'A', {22}}, oneG, oneG},                     // G
        {{'G', 22, 'N', {22}}, noVotes, noVotes},               // N
        {{'G', 24, 'A', {21, 22}}, oneG, noVotes},              // G, G
        {{'G', 22, 'N', {21, 22}}, oneG, noVotes},              // G, N
        {{'G', 22, 'T', {21, 22}}, noVotes, noVotes},           // G, T
        {{'A', 24, 'C', {20, 21, 22}}, {1, 0, 0, 0}, noVotes},  // A, A, A
        {{'G', 22, 'g', {22}}, noVotes, noVotes},               // lower case sets no flag
        {{'G', 22, 'g', {21, 22}}, oneG, noVotes},              // G beside a lower-case g
        {{'G', 29, 'C', {29}}, {0, 1, 0, 0}, {0, 1, 0, 0}},     // candidate is the last base
    };
    for (const Row& row : rows) {
        EXPECT_EQ(VoteOf(row.voteCase, Variant::Main), row.main) << row.voteCase.run;
        EXPECT_EQ(VoteOf(row.voteCase, Variant::Strict), row.strict) << row.voteCase.run;
    }
}

TEST(IncrementCountsFromRead, QualityMustExceedTwentyNineAsAnUnsignedByte) {
    const VoteCase single{'G', 24, 'A', {22}};
    EXPECT_EQ(VoteOf(single, Variant::Main, 30, 29), noVotes);
    EXPECT_EQ(VoteOf(single, Variant::Main, 30, 30), oneG);
    EXPECT_EQ(VoteOf(single, Variant::Main, 30, 255), oneG);
    EXPECT_EQ(VoteOf(single, Variant::Strict, 30, 223), oneG);
}

TEST(IncrementCountsFromRead, ShortReadsTryOnlyOverlapsOfTwentyOrMore) {
    // R = 21: one trial, overlap 20, candidate m[20].
    EXPECT_EQ(VoteOf({'G', 20, 'T', {20}}, Variant::Strict, 21), (BaseVotes{0, 0, 0, 1}));
    EXPECT_EQ(VoteOf({'G', 19, 'T', {19, 20}}, Variant::Main, 21), noVotes);
    // R = 20: no trial at all.
    EXPECT_EQ(VoteOf({'G', 19, 'T', {19}}, Variant::Main, 20), noVotes);
}

TEST(IncrementCountsFromRead, RepetitiveContigEndQualifiesAtSeveralOverlaps) {
    std::string contig = testing::RandomBases(5, 50);
    for (int i = 0; i < 20; ++i) contig += "AC";
    const std::string mate = "ACACACACACACACACACACACACACACAC";  // 30 bases
    const std::vector<uint8_t> quality(30, 40);
    for (Variant variant : {Variant::Main, Variant::Strict}) {
        BaseVotes votes;
        IncrementCountsFromRead(mate.c_str(), quality.data(), votes, contig.data(),
                                static_cast<int32_t>(contig.size()), 30, variant);
        // Even overlaps 20..28 match, each with candidate A.
        const BaseVotes expected = variant == Variant::Main ? BaseVotes{1, 0, 0, 0} : noVotes;
        EXPECT_EQ(votes, expected);
    }
}

TEST(CountNextBase, AddsEveryMateOfEverySlotAndSkipsEmptyOnes) {
    const std::string contig = testing::RandomBases(3, 70) + std::string(25, 'G');
    std::string mate = std::string(24, 'G') + "AAAAAA";
    std::vector<uint8_t> quality(30, 0);
    quality[22] = 40;
    QueueSet queues(4);
    queues[1].mates = {mate, mate};
    queues[1].qualities = {quality, quality};
    queues[3] = queues[1];  // the same window held twice counts twice
    for (Variant variant : {Variant::Main, Variant::Strict})
        EXPECT_EQ(CountNextBase(contig, queues, 30, variant), (BaseVotes{0, 0, 4, 0}));
    EXPECT_EQ(CountNextBase(contig, QueueSet{}, 30, Variant::Main), noVotes);
}

}  // namespace
}  // namespace lorvex
