// The words the shared run layer gives the engine's values: a refused
// estimate in each program's word for its sequences, the stops in each
// program's words, and FASTA records wrapped at the line width.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "run/distance_estimate.h"
#include "run/fasta_output.h"
#include "run/stop_words.h"

namespace lorvex {
namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

TEST(RunWords, ARefusedEstimateNamesTheSequencesInTheProgramsWord) {
    FragmentEstimate estimate;
    estimate.pairs = 40;
    estimate.effectivePairs = 12.4;
    estimate.longestSequence = 1234;
    estimate.median = 400;
    estimate.farShare = 0.12;
    for (const EstimateVerdict verdict :
         {EstimateVerdict::TooFewPairs, EstimateVerdict::SequencesTooShort,
          EstimateVerdict::NotOneLibrary}) {
        estimate.verdict = verdict;
        const std::string seeds = EstimateRefusal(estimate, "seed");
        EXPECT_FALSE(seeds.empty());
        EXPECT_EQ(EstimateRefusal(estimate, "flank"), Replaced(seeds, "seed", "flank"));
    }
    estimate.verdict = EstimateVerdict::TooFewPairs;
    EXPECT_EQ(EstimateRefusal(estimate, "flank"),
              "too few pairs to estimate the fragment lengths: 40 placed inside the flanks "
              "(worth 12 once weighted for the flanks' lengths), at least 100 needed");
    estimate.verdict = EstimateVerdict::SequencesTooShort;
    EXPECT_EQ(EstimateRefusal(estimate, "flank"),
              "the flanks are too short to show the longer fragments: the longest has 1,234 "
              "bases, and fragments reach beyond it");
    estimate.verdict = EstimateVerdict::NotOneLibrary;
    EXPECT_EQ(EstimateRefusal(estimate, "seed"),
              "the fragment lengths do not look like one library: 12 % of the pairs lie far "
              "from the median 400");
    estimate.groups = FragmentGroups{300.4, 899.6};
    EXPECT_EQ(EstimateRefusal(estimate, "seed"),
              "the fragment lengths do not look like one library: they form two groups, around "
              "300 and 900 bases");
    estimate.verdict = EstimateVerdict::Sound;
    EXPECT_EQ(EstimateRefusal(estimate, "seed"), "");
}

TEST(RunWords, EveryStopHasItsOwnLabelInEachProgramsWords) {
    for (const StopWords words :
         {StopWords{"seed-too-short", "target"}, StopWords{"flank-too-short", "far-flank"}}) {
        std::set<std::string> labels;
        for (int reason = 0; reason <= static_cast<int>(StopReason::Target); ++reason)
            labels.insert(StopLabel(static_cast<StopReason>(reason), words));
        EXPECT_EQ(labels.size(), static_cast<size_t>(StopReason::Target) + 1);
        EXPECT_EQ(labels.count(""), 0u);
        EXPECT_STREQ(StopLabel(StopReason::SeedTooShort, words), words.tooShort);
        EXPECT_STREQ(StopLabel(StopReason::Target, words), words.target);
    }
}

TEST(RunWords, RecordsWrapAtTheLineWidth) {
    EXPECT_EQ(FastaRecord(">s", "ACGTACGTAC", 4), ">s\nACGT\nACGT\nAC\n");
    EXPECT_EQ(FastaRecord(">s", "ACGTACGT", 4), ">s\nACGT\nACGT\n");
    EXPECT_EQ(FastaRecord(">s", "ACGTACGTAC", 0), ">s\nACGTACGTAC\n");
    EXPECT_EQ(FastaRecord(">s", "", 60), ">s\n");
    EXPECT_EQ(FastaRecord(">s", "", 0), ">s\n");
}

}  // namespace
}  // namespace lorvex
