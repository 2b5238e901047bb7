// lorvex-prep --format compact and both, end to end: the compact table holds
// what the text table holds, whatever the memory bound; --check takes both.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "child_process.h"
#include "input/pair_table.h"
#include "prep/pair_table_writer.h"
#include "prep_test_support.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::ProgramRun;
using lorvex::testing::ReadFile;
using lorvex::testing::TempDir;
using testing::FastqPair;
using testing::Prep;

using Entry = std::tuple<std::string, std::string, std::vector<uint8_t>>;  // anchor, mate, votes

// Every entry of the compact table as (anchor, mate, mate's vote qualities).
std::multiset<Entry> CompactEntries(const std::string& path) {
    const PairTable table(path);
    std::multiset<Entry> entries;
    FoundPairs found;
    for (uint64_t i = 0; i < table.EntryCount(); ++i) {
        found.Clear();
        table.AppendEntry(i, found);
        const std::string_view mate = found.Mate(0);
        entries.emplace(
            std::string(found.Anchor(0)), std::string(mate),
            std::vector<uint8_t>(found.MateQualities(0), found.MateQualities(0) + mate.size()));
    }
    return entries;
}

// Every line of a text table as the same triple.
std::multiset<Entry> TextEntries(const std::string& table, size_t readLength) {
    std::multiset<Entry> entries;
    const size_t lineBytes = 4 * readLength + 4;
    for (size_t at = 0; at + lineBytes <= table.size(); at += lineBytes) {
        std::vector<uint8_t> votes;
        for (size_t i = 0; i < readLength; ++i)
            votes.push_back(
                table[at + 3 * readLength + 3 + i] - '!' >= int{defaultVoteQuality} ? 30 : 0);
        entries.emplace(table.substr(at, readLength), table.substr(at + readLength + 1, readLength),
                        votes);
    }
    return entries;
}

// Reads of one length without N: the compact table holds the text table's
// lines, each pair once under each read; with both orientations or one.
TEST(CompactPrep, BothFormatsHoldTheSamePairsForReadsOfOneLength) {
    const TempDir dir;
    std::vector<FastqPair> pairs = testing::SimulatePairs(17, 2500, 70);
    for (size_t i = 0; i < pairs.size(); i += 9)
        for (char& base : pairs[i].secondSequence) base = static_cast<char>(std::tolower(base));
    const std::string r1 = dir.Write("1.fq", testing::FastqText(pairs, 1));
    const std::string r2 = dir.Write("2.fq", testing::FastqText(pairs, 2));
    for (const bool both : {true, false}) {
        const std::string prefix = dir.path() + (both ? "/both" : "/one");
        std::vector<std::string> arguments = {"-1", r1, "-2", r2, "-o", prefix, "--format", "both"};
        if (!both) arguments.push_back("--one-orientation");
        const ProgramRun run = Prep(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const std::multiset<Entry> compact = CompactEntries(prefix + ".pairs");
        EXPECT_EQ(compact.size(), pairs.size() * (both ? 2 : 1));
        EXPECT_TRUE(compact == TextEntries(ReadFile(prefix + ".table"), 70));
        EXPECT_NE(run.err.find("compact table: 2,500 kept (100.0 %)"), std::string::npos)
            << run.err;

        const ProgramRun check =
            Prep({"--check", prefix + ".table", prefix + ".index", prefix + ".pairs"});
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_NE(check.out.find(prefix + ".pairs: 2,500 pairs of reads of 70 to 70 bases, " +
                                 (both ? "both reads" : "read 1") +
                                 " indexed, votes from quality 20, sound"),
                  std::string::npos)
            << check.out;
        EXPECT_NE(check.out.find(prefix + ".table: "), std::string::npos) << check.out;
    }
}

// Trimmed reads: the compact table keeps every pair whose reads reach the
// least length, whole, N and all; the bytes do not depend on the memory
// bound (the writer with a budget that spills every thousand entries), on
// whether the text table is written too, or on the input's form.
TEST(CompactPrep, TrimmedPairsKeptWholeWhateverTheMemoryBound) {
    const TempDir dir;
    const std::vector<FastqPair> pairs =
        testing::TrimmedPairs(3, testing::SimulatePairs(19, 3000, 120), 15);
    testing::WriteGzip(dir.path() + "/1.fq.gz", testing::FastqText(pairs, 1));
    testing::WriteGzip(dir.path() + "/2.fq.gz", testing::FastqText(pairs, 2));
    const std::vector<std::string> inputs = {"-1", dir.path() + "/1.fq.gz", "-2",
                                             dir.path() + "/2.fq.gz", "-q"};
    const auto prep = [&](const std::string& name, std::vector<std::string> options) {
        options.insert(options.begin(), inputs.begin(), inputs.end());
        options.insert(options.end(), {"-o", dir.path() + "/" + name});
        const ProgramRun run = Prep(options);
        EXPECT_EQ(run.status, 0) << run.err;
        return ReadFile(dir.path() + "/" + name + ".pairs");
    };
    const std::string compact = prep("compact", {"--format", "compact"});
    EXPECT_EQ(prep("both", {"--format", "both", "--memory", "32M"}), compact);
    const std::string interleaved = dir.Write("i.fq", testing::FastqText(pairs, 0));
    EXPECT_EQ(
        Prep({"--interleaved", interleaved, "-o", dir.path() + "/i", "--format", "compact", "-q"})
            .status,
        0);
    EXPECT_EQ(ReadFile(dir.path() + "/i.pairs"), compact);
    {
        WorkFolder work(dir.path());
        PairTableWriter writer(dir.path() + "/bounded.pairs", {21, true, 1}, work);
        size_t kept = 0;
        for (const FastqPair& pair : pairs)
            kept += writer.Add(pair.firstSequence, pair.firstQuality, pair.secondSequence,
                               pair.secondQuality);
        writer.WriteIndex();
        FinishThenCommit(&writer);
        EXPECT_GT(writer.totals().sort.runs, 3u);
        EXPECT_LT(kept, pairs.size());
        EXPECT_GT(writer.totals().unknownBases, 0u);
        const PairTable table(dir.path() + "/compact.pairs");
        EXPECT_EQ(table.PairCount(), kept);
        EXPECT_GE(table.header().shortestRead, 21u);
        EXPECT_EQ(table.header().longestRead, 120u);
    }
    EXPECT_TRUE(ReadFile(dir.path() + "/bounded.pairs") == compact);

    // A higher least length keeps fewer pairs.
    const ProgramRun longer =
        Prep({"--interleaved", interleaved, "-o", dir.path() + "/long", "--format", "compact",
              "--min-read-length", "60", "--stats", "-"});
    ASSERT_EQ(longer.status, 0) << longer.err;
    EXPECT_NE(longer.out.find("compact\tmin_read_length\t60\t\n"), std::string::npos) << longer.out;
    EXPECT_EQ(longer.out.find("\nread_length\t"), std::string::npos) << longer.out;
    EXPECT_LT(PairTable(dir.path() + "/long.pairs").PairCount(),
              PairTable(dir.path() + "/compact.pairs").PairCount());
}

TEST(CompactPrep, OptionsOutputsAndChecks) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(23, 60, 40);
    const std::vector<std::string> inputs = testing::QuietPrepArguments(dir, pairs);
    const auto run = [&](std::vector<std::string> options) {
        options.insert(options.begin(), inputs.begin(), inputs.end());
        return Prep(options);
    };
    // Options that do not fit the format are usage errors.
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--format", "binary"},
          {"--format", "compact", "-l", "30"},
          {"-l", "30"},
          {"--format", "text", "--min-read-length", "30"},
          {"--format", "compact", "--min-read-length", "20"},
          {"--format", "compact", "--stats", dir.path() + "/out.pairs"}}) {
        const ProgramRun refused = run(wrong);
        EXPECT_EQ(refused.status, 2) << wrong[0] << " " << wrong[1];
        EXPECT_EQ(refused.err.rfind("lorvex-prep: --", 0), 0u) << refused.err;
    }
    EXPECT_NE(run({"-l", "30"}).err.find("add --format text (or both)"), std::string::npos);
    EXPECT_TRUE(testing::FolderEntries(dir.path()).size() == 2);

    // An existing compact table is kept unless --force.
    dir.Write("out.pairs", "precious");
    ProgramRun refused = run({"--format", "both"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("out.pairs: exists already (--force replaces it)"),
              std::string::npos);
    EXPECT_EQ(ReadFile(dir.path() + "/out.pairs"), "precious");
    EXPECT_EQ(testing::FolderEntries(dir.path()).size(), 3u);
    // The default is the compact table alone.
    EXPECT_EQ(run({"--force"}).status, 0);
    EXPECT_EQ(testing::FolderEntries(dir.path()),
              (std::vector<std::string>{"1.fq", "2.fq", "out.pairs"}));

    // --check tells the compact form by its content, whatever its name.
    const std::string pairsFile = dir.path() + "/out.pairs";
    std::filesystem::copy_file(pairsFile, dir.path() + "/renamed.table");
    EXPECT_EQ(Prep({"--check", dir.path() + "/renamed.table"}).status, 0);
    std::string damaged = ReadFile(pairsFile);
    damaged[100] = static_cast<char>(damaged[100] ^ 4);
    const ProgramRun bad = Prep({"--check", dir.Write("bad.pairs", damaged)});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "lorvex-prep: " + dir.path() +
                           "/bad.pairs: damaged: its records fail "
                           "their checksum\n");
    const ProgramRun alone = Prep({"--check", dir.path() + "/1.fq"});
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.err.find("needs its index after it"), std::string::npos) << alone.err;
}

}  // namespace
}  // namespace lorvex::prep
