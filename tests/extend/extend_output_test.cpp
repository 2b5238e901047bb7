// The FASTA header, and the per-base and per-seed rows (positions on both
// sides).
#include "extend/extend_output.h"

#include <gtest/gtest.h>

#include "extend/estimate_output.h"
#include "extension/stop_reason.h"

namespace lorvex::extend {
namespace {

SeedExtension TwoSidedExtension() {
    SeedExtension extension;
    // G next to the seed, then A.
    extension.left = SideExtension{
        Side::Left, StopReason::NoVotes, {}, std::string("GA"), {{0, 0, 5, 1}, {3, 0, 0, 0}}, 0,
        {}};
    extension.right = SideExtension{
        Side::Right, StopReason::NotDominant, {2, 2, 0, 1}, std::string("T"), {{0, 1, 0, 9}}, 0,
        {}};
    return extension;
}

TEST(ExtendOutput, HeaderCarriesLengthsStopsAndDescription) {
    const SequenceRecord seed{"contig_7", "from sample 3", "CCCC"};
    EXPECT_EQ(FastaHeader(seed, TwoSidedExtension(), true),
              ">contig_7 left=2 right=1 left_stop=no-votes right_stop=not-dominant from sample 3");
    EXPECT_EQ(FastaHeader(SequenceRecord{"s", "", "CC"}, TwoSidedExtension(), false),
              ">s right=1 right_stop=not-dominant");
    EXPECT_EQ(ExtendedContig(seed, TwoSidedExtension()), "AGCCCCT");
}

TEST(ExtendOutput, RowsGiveStepsAndContigPositions) {
    const SequenceRecord seed{"s", "", "CCCC"};
    // Contig AGCCCCT: the left bases stand at 2 (step 1) and 1 (step 2).
    // With a single-copy depth, each row ends with its votes over it.
    EXPECT_EQ(BaseRows(seed, TwoSidedExtension(), true, 4.0),
              "s\tleft\t1\t2\tG\t0\t0\t5\t1\t1.5\n"
              "s\tleft\t2\t1\tA\t3\t0\t0\t0\t0.8\n"
              "s\tright\t1\t7\tT\t0\t1\t0\t9\t2.5\n");
    EXPECT_EQ(BaseRows(seed, TwoSidedExtension(), false, std::nullopt),
              "s\tright\t1\t7\tT\t0\t1\t0\t9\t\n");
    EXPECT_EQ(SummaryRows(seed, TwoSidedExtension(), true, 18.5, true),
              "s\tleft\t4\t2\tno-votes\t0\t0\t0\t0\t7\t18.5\tlinear\t0\t\t\t\n"
              "s\tright\t4\t1\tnot-dominant\t2\t2\t0\t1\t7\t18.5\tlinear\t0\t\t\t\n");
    // Variant sites not looked for: no count.
    EXPECT_EQ(SummaryRows(seed, TwoSidedExtension(), false, std::nullopt, false),
              "s\tright\t4\t1\tnot-dominant\t2\t2\t0\t1\t7\t\tlinear\t\t\t\t\n");
    EXPECT_EQ(BaseRowsHeader(), "seed\tside\tstep\tposition\tbase\tA\tC\tG\tT\tdepth_ratio\n");
}

// The circle ACGGTTCA from the seed ACGG: the left side added A, C, the right
// side met it, its last two bases repeating the contig's start CAACGGTTCA.
TEST(ExtendOutput, ACircleIsWrittenOnceFromTheSeedsStart) {
    const SequenceRecord seed{"s", "", "ACGG"};
    SeedExtension extension;
    extension.left = SideExtension{Side::Left, StopReason::NoVotes, {}, "AC", {}};
    extension.right = SideExtension{Side::Right, StopReason::Circular, {}, "TTCACA", {}, 2};
    EXPECT_EQ(ExtendedContig(seed, extension), "CAACGGTTCACA");
    EXPECT_EQ(WrittenSequence(seed, extension), "ACGGTTCACA");
    extension.right.bases = "TTCA";
    EXPECT_EQ(WrittenSequence(seed, extension), "ACGGTTCA");
    EXPECT_EQ(FastaHeader(seed, extension, true),
              ">s left=2 right=4 left_stop=no-votes right_stop=circular length=8 circular=true");
    std::string positions;
    for (size_t index = 0; index < 10; ++index)
        positions += std::to_string(WrittenPosition(seed, extension, index)) + " ";
    EXPECT_EQ(positions, "7 8 1 2 3 4 5 6 7 8 ");
    EXPECT_EQ(SummaryRows(seed, extension, false, std::nullopt, true),
              "s\tright\t4\t4\tcircular\t0\t0\t0\t0\t8\t\tcircular\t0\t\t\t\n");
}

// The lorvex command of --estimate-only names a text table, which lorvex
// reads: given a compact one, the text table of its prefix and how to make it.
TEST(ExtendOutput, TheLorvexCommandNamesTheTextTable) {
    RunSettings settings;
    settings.parameters = {230, 489, 5, 0.1f};
    settings.tablePath = "out/reads.table";
    settings.indexPath = "out/reads.index";
    EXPECT_EQ(LorvexCommand(settings),
              "lorvex SEED.fa out/reads.table out/reads.index 230 489 5 0.1\n");
    settings.tablePath = "my reads.pairs";
    settings.indexPath = "";
    settings.variant = Variant::Strict;
    EXPECT_EQ(LorvexCommand(settings),
              "lorvex-strict SEED.fa 'my reads.table' 'my reads.index' 230 489 5 0.1  # the text "
              "table: lorvex-prep --format text -o 'my reads'\n");
}

}  // namespace
}  // namespace lorvex::extend
