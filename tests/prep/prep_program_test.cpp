// lorvex-prep end to end: the built program on files, as a user runs it.
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "base/number_text.h"
#include "child_process.h"
#include "extension/run_setup.h"
#include "input/input_stream.h"
#include "prep/read_length_choice.h"
#include "prep_test_support.h"
#include "reference/literal_mates.h"
#include "test_support.h"

namespace lorvex::prep {
namespace {

using lorvex::testing::ProgramRun;
using lorvex::testing::ReadFile;
using lorvex::testing::RunBuiltProgram;
using lorvex::testing::TempDir;
using testing::FastqPair;

using testing::Prep;

// Most runs here build the text table, whose bytes the model predicts.
ProgramRun PrepText(std::vector<std::string> arguments, const std::string& stdinPath = "") {
    arguments.insert(arguments.end(), {"--format", "text"});
    return Prep(arguments, stdinPath);
}

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A realistic mix: most pairs good, some with a short read, an N, lower
// case, reads longer than the table's read length.
std::vector<FastqPair> MixedPairs(int readLength) {
    std::vector<FastqPair> pairs = testing::SimulatePairs(5, 600, readLength + 10);
    for (size_t i = 0; i < pairs.size(); ++i) {
        FastqPair& pair = pairs[i];
        if (i % 4 == 0) {  // most reads exactly readLength long
            pair.firstSequence.resize(readLength);
            pair.firstQuality.resize(readLength);
            pair.secondSequence.resize(readLength);
            pair.secondQuality.resize(readLength);
        }
        if (i % 17 == 3) pair.secondSequence[static_cast<size_t>(readLength) / 2] = 'N';
        if (i % 17 == 5 && pair.firstSequence.size() > static_cast<size_t>(readLength) + 4)
            pair.firstSequence[static_cast<size_t>(readLength) + 4] = 'N';  // cut off
        if (i % 13 == 7) {
            pair.firstSequence.resize(static_cast<size_t>(readLength) - 1);
            pair.firstQuality.resize(static_cast<size_t>(readLength) - 1);
        }
        if (i % 11 == 2)
            for (char& base : pair.secondSequence) base = static_cast<char>(std::tolower(base));
    }
    return pairs;
}

struct PrepFiles {
    std::string table;
    std::string index;
};

PrepFiles OutputsOf(const std::string& prefix) {
    return {ReadFile(prefix + ".table"), ReadFile(prefix + ".index")};
}

TEST(PrepProgram, RoundTripFindsEveryKeptPairByMateLookup) {
    const TempDir dir;
    const int readLength = 60;
    std::vector<FastqPair> pairs = MixedPairs(readLength);
    const std::string r1 = dir.Write("r1.fq", testing::FastqText(pairs, 1));
    const std::string r2 = dir.Write("r2.fq", testing::FastqText(pairs, 2));
    const std::string prefix = dir.path() + "/out/reads";
    const ProgramRun run = PrepText({"-1", r1, "-2", r2, "-l", "60", "-o", prefix});
    ASSERT_EQ(run.status, 0) << run.err;

    const testing::ExpectedOutput expected = testing::ExpectedTableAndIndex(pairs, readLength);
    const PrepFiles written = OutputsOf(prefix);
    EXPECT_EQ(written.table, expected.table);
    EXPECT_EQ(written.index, expected.index);
    EXPECT_NE(run.err.find("600 pairs read, " + std::to_string(expected.keptPairs) + " kept"),
              std::string::npos)
        << run.err;

    const ProgramRun check = Prep({"--check", prefix + ".table", prefix + ".index"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find(WithThousands(2 * expected.keptPairs) + " lines of 244 bytes"),
              std::string::npos)
        << check.out;

    // What the programs do with it: the first read of every kept pair, as an
    // anchor window, finds its mate, in both orientations.
    const RunInputs inputs = LoadRunInputs(prefix + ".table", prefix + ".index");
    const DensePrefixTables denseIndex = DenseTablesOf(inputs.index);
    size_t found = 0;
    for (const FastqPair& pair : pairs) {
        const std::string first = pair.firstSequence.substr(0, readLength);
        std::string second = pair.secondSequence.substr(0, readLength);
        for (char& base : second) base = static_cast<char>(std::toupper(base));
        if (pair.firstSequence.size() < 60 || (first + second).find('N') != std::string::npos)
            continue;
        for (const auto& [window, mate] : {std::pair{first, second}, std::pair{second, first}}) {
            int32_t count = 0;
            std::vector<std::string> mates;
            std::vector<std::vector<uint8_t>> qualities;
            GetAllPairedReads(window, inputs.table, denseIndex, Variant::Strict, count, mates,
                              qualities);
            EXPECT_NE(
                std::find(mates.begin(), mates.end(), lorvex::testing::ReverseComplementOf(mate)),
                mates.end())
                << pair.name;
        }
        ++found;
    }
    EXPECT_EQ(found, expected.keptPairs);
}

// Compressed, CR LF, interleaved and piped forms of one input write the same
// table, index and (compressed when so named) statistics.
TEST(PrepProgram, InputFormsGiveIdenticalBytes) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = MixedPairs(50);
    const std::string text1 = testing::FastqText(pairs, 1), text2 = testing::FastqText(pairs, 2);
    const std::string reference = dir.path() + "/plain";
    ASSERT_EQ(PrepText({"-1", dir.Write("1.fq", text1), "-2", dir.Write("2.fq", text2), "-o",
                        reference, "-l", "50", "-q", "--stats", reference + ".tsv"})
                  .status,
              0);
    const PrepFiles expected = OutputsOf(reference);

    testing::WriteGzip(dir.path() + "/1.fq.gz", text1);
    testing::WriteBgzf(dir.path() + "/2.fq.gz", text2);
    testing::WriteGzip(dir.path() + "/i.fq.gz", testing::FastqText(pairs, 0, "\r\n"), 3);
    struct Form {
        std::vector<std::string> arguments;
        std::string standardInput;
    };
    const std::vector<Form> forms = {
        {{"-1", dir.path() + "/1.fq.gz", "-2", dir.path() + "/2.fq.gz"}, ""},
        {{"-1", dir.Write("1crlf.fq", testing::FastqText(pairs, 1, "\r\n")), "-2",
          dir.Write("2crlf.fq", testing::FastqText(pairs, 2, "\r\n"))},
         ""},
        {{"--interleaved", dir.path() + "/i.fq.gz"}, ""},
        {{"--interleaved", "-"}, dir.path() + "/i.fq.gz"},
        {{"-1", dir.path() + "/1.fq.gz", "-2", "-"}, dir.path() + "/2.fq.gz"},
    };
    int formNumber = 0;
    for (const Form& form : forms) {
        const std::string prefix = dir.path() + "/form" + std::to_string(++formNumber);
        std::vector<std::string> arguments = form.arguments;
        arguments.insert(arguments.end(),
                         {"-o", prefix, "-l", "50", "-q", "--stats", prefix + ".tsv.gz"});
        const ProgramRun run = PrepText(arguments, form.standardInput);
        ASSERT_EQ(run.status, 0) << run.err;
        const PrepFiles written = OutputsOf(prefix);
        EXPECT_TRUE(written.table == expected.table) << "form " << formNumber;
        EXPECT_EQ(written.index, expected.index) << "form " << formNumber;
        EXPECT_EQ(ReadWholeInput(prefix + ".tsv.gz"), ReadFile(reference + ".tsv"))
            << "form " << formNumber;
    }
}

// Inputs that cannot serve are refused before anything is written: one file
// as both mates (by name or through a link), standard input for both, and
// positioned reads or a compressed table asked of what cannot give them.
TEST(PrepProgram, InputsThatCannotServeAreRefusedFirst) {
    const TempDir dir;
    const std::string reads = dir.Write("r.fq", testing::FastqText(MixedPairs(50), 1));
    const std::string link = dir.path() + "/link.fq";
    std::filesystem::create_symlink(reads, link);
    const std::string prefix = dir.path() + "/out/reads";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals = {
        {{"-1", reads, "-2", reads, "-o", prefix}, "-1 and -2 name the same file, " + reads},
        {{"-1", reads, "-2", link, "-o", prefix}, "-1 and -2 name the same file, " + reads},
        {{"-1", "-", "-2", reads, "-o", prefix}, "-1 and -2 name the same file, standard input"},
        {{"-1", "-", "-2", "-", "-o", prefix}, "cannot both read standard input"},
        {{"--check", "-", prefix + ".index"}, "--check reads the table by positioned reads"},
        {{"-1", reads, "-2", "b.fq", "-o", prefix + ".gz"}, "-o names the table and index"},
    };
    for (const auto& [arguments, message] : refusals) {
        // Standard input is the reads file itself in the third case.
        const ProgramRun run = Prep(arguments, reads);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(Exists(dir.path() + "/out")) << message;
    }
    // A missing input is found before the output folder is made.
    const ProgramRun missing = Prep({"-1", reads, "-2", dir.path() + "/missing.fq", "-o", prefix});
    EXPECT_EQ(missing.status, 1) << missing.err;
    EXPECT_NE(missing.err.find("missing.fq"), std::string::npos) << missing.err;
    EXPECT_FALSE(Exists(dir.path() + "/out"));
}

// The rows of a --stats file whose section is `section`, as key -> value.
std::map<std::string, std::string> StatsSection(const std::string& stats,
                                                const std::string& section) {
    std::map<std::string, std::string> rows;
    std::istringstream lines(stats);
    std::string name, key, value, share;
    while (std::getline(lines, name, '\t') && std::getline(lines, key, '\t') &&
           std::getline(lines, value, '\t') && std::getline(lines, share))
        if (name == section) rows[key] = value;
    return rows;
}

// Quality-trimmed reads (with N and '.' in some): the default length keeps
// most pairs, is what the choice makes of the reads, and the summary and the
// statistics tell the trade-off.
TEST(PrepProgram, DefaultReadLengthKeepsMostTrimmedPairs) {
    const TempDir dir;
    const std::vector<FastqPair> pairs =
        testing::TrimmedPairs(7, testing::SimulatePairs(7, 800, 100, 400), 30);
    const std::string stats = dir.path() + "/stats.tsv";
    const ProgramRun run = PrepText({"-1", dir.Write("1.fq", testing::FastqText(pairs, 1)), "-2",
                                     dir.Write("2.fq", testing::FastqText(pairs, 2)), "-o",
                                     dir.path() + "/out", "--stats", stats});
    ASSERT_EQ(run.status, 0) << run.err;

    PairLengths lengths;
    std::map<std::string, std::string> lengths1, lengths2;  // as --stats writes them
    const auto count = [](auto& histogram, size_t length) {
        std::string& reads = histogram[std::to_string(length)];
        reads = std::to_string(reads.empty() ? 1 : std::stoull(reads) + 1);
    };
    for (const FastqPair& pair : pairs) {
        lengths.Add(pair.firstSequence, pair.secondSequence);
        count(lengths1, pair.firstSequence.size());
        count(lengths2, pair.secondSequence.size());
    }
    const std::string r = std::to_string(ChooseReadLength(LengthCandidates(lengths)));
    const testing::ExpectedOutput expected = testing::ExpectedTableAndIndex(pairs, std::stoi(r));
    const std::string kept = std::to_string(expected.keptPairs);
    EXPECT_GT(expected.keptPairs, pairs.size() / 2);
    EXPECT_EQ(ReadFile(dir.path() + "/out.table"), expected.table);
    for (const std::string& text :
         {"read length " + r + ", the one with the most pairs kept x (R - 20) among the first 800",
          "800 pairs read, " + kept + " kept (", std::string("pairs kept at other read lengths")})
        EXPECT_NE(run.err.find(text), std::string::npos) << text << " in\n" << run.err;

    const std::string tsv = ReadFile(stats);
    EXPECT_EQ(StatsSection(tsv, "pairs")["kept"], kept);
    const auto dropped = StatsSection(tsv, "dropped");
    EXPECT_EQ(std::stoull(dropped.at("short_read")) + std::stoull(dropped.at("not_acgt")),
              800 - expected.keptPairs);
    EXPECT_EQ(StatsSection(tsv, "read_length")["used"], r);
    EXPECT_EQ(StatsSection(tsv, "candidate")[r], kept);
    EXPECT_EQ(StatsSection(tsv, "length_read1"), lengths1);
    EXPECT_EQ(StatsSection(tsv, "length_read2"), lengths2);
}

// FASTQ with the names the public archives give: accession.spot.mate, the
// original name and the length in the comment.
std::string ArchiveText(const std::vector<FastqPair>& pairs, int badMateAt = -1) {
    std::string text;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const FastqPair& pair = pairs[i];
        for (const int mate : {1, 2}) {
            const std::string& sequence = mate == 1 ? pair.firstSequence : pair.secondSequence;
            const size_t spot = i + 1 + (mate == 2 && static_cast<int>(i) == badMateAt);
            text += "@SRR059298." + std::to_string(spot) + "." + std::to_string(mate) +
                    " HWUSI-EAS591:1:1:4:" + std::to_string(1000 + spot) +
                    " length=" + std::to_string(sequence.size()) + "\n" + sequence + "\n+\n" +
                    (mate == 1 ? pair.firstQuality : pair.secondQuality) + "\n";
        }
    }
    return text;
}

TEST(PrepProgram, ArchiveNamesPairAndMismatchedNamesAreRefused) {
    const TempDir dir;
    const std::vector<FastqPair> pairs =
        testing::TrimmedPairs(8, testing::SimulatePairs(8, 300, 72), 40);
    const std::string archive = dir.Write("archive.fq", ArchiveText(pairs));
    ProgramRun run =
        PrepText({"--interleaved", archive, "-l", "50", "-o", dir.path() + "/a", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir.path() + "/a.table"), testing::ExpectedTableAndIndex(pairs, 50).table);

    const std::string mismatched = dir.Write("mismatched.fq", ArchiveText(pairs, 2));
    run = Prep({"--interleaved", mismatched, "-o", dir.path() + "/b"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lorvex-prep: " + mismatched +
                           ": record 6: read name 'SRR059298.4.2' does not match "
                           "'SRR059298.3.1' in the record before it (--no-name-check pairs "
                           "records by position alone)\n");
}

// The same reads in Phred+64 give the table of their Phred+33 form, told from
// the qualities or given; qualities that fit neither encoding for sure, or
// not the one given or told, are refused naming the file and the record ('*'
// in a message stands for any text).
TEST(PrepProgram, QualityEncodingsAreToldConvertedOrRefused) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(9, 300, 60);  // '#' to 'J'
    const auto shifted = [](std::vector<FastqPair> shifting, int shift) {
        for (FastqPair& pair : shifting)
            for (std::string* quality : {&pair.firstQuality, &pair.secondQuality})
                for (char& c : *quality) c = static_cast<char>(c + shift);
        return shifting;
    };
    const auto prep = [&](const std::vector<FastqPair>& input, const std::string& name,
                          std::vector<std::string> extra) {
        std::vector<std::string> arguments = {"--interleaved",
                                              dir.Write(name + ".fq", testing::FastqText(input, 0)),
                                              "-o", dir.path() + "/" + name};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return PrepText(arguments);
    };
    ASSERT_EQ(prep(pairs, "phred33", {"-q"}).status, 0);
    const std::string table33 = ReadFile(dir.path() + "/phred33.table");

    const std::vector<FastqPair> phred64 = shifted(pairs, 31);  // 'B' to 'i'
    ProgramRun run = prep(phred64, "told", {});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadFile(dir.path() + "/told.table") == table33);
    EXPECT_NE(
        run.err.find(
            "qualities read as Phred+64 ('B' to 'i' in both reads of the first 300 pairs) and "
            "written as Phred+33\n"),
        std::string::npos)
        << run.err;
    ASSERT_EQ(prep(phred64, "given", {"--phred64", "-q"}).status, 0);
    EXPECT_TRUE(ReadFile(dir.path() + "/given.table") == table33);

    EXPECT_EQ(prep(shifted(pairs, 24), "forced", {"--phred33", "-q"}).status, 0);

    // Phred+64 at the start, a Phred+33 character beyond the sampled pairs.
    std::vector<FastqPair> late = shifted(testing::SimulatePairs(10, 10100, 30), 31);
    late.back().secondQuality[4] = '5';
    const struct {
        std::vector<FastqPair> input;
        std::string name, option, message;
    } refused[] = {
        // ';' to 'b': Phred+33 of 26 and more, or Solexa.
        {shifted(pairs, 24), "undecided", "-q",
         "undecided.fq: record *: the quality characters of both reads of the first 300 pairs run "
         "from ';' "
         "(here) to 'b': Phred+33 qualities of 26 to 65, or Solexa +64 ones of -5 to 34 (not "
         "read); give --phred33 if they are Phred+33, else convert them to Phred+33 first"},
        {pairs, "wrong", "--phred64",
         "wrong.fq: record 1: quality character '*' at position * is outside '@' to '~' "
         "(Phred+64; as --phred64 says)"},
        {late, "late", "-q",
         "late.fq: record 20,200: quality character '5' at position 5 is outside '@' to '~' "
         "(Phred+64; as the qualities of both reads of the first 10,000 pairs suggested; give "
         "--phred33 if "
         "the file is Phred+33)"},
    };
    for (const auto& c : refused) {
        const ProgramRun refusal = prep(c.input, c.name, {c.option});
        EXPECT_EQ(refusal.status, 1) << c.name;
        const std::string pattern = "lorvex-prep: " + dir.path() + "/" + c.message + "\n";
        EXPECT_EQ(fnmatch(pattern.c_str(), refusal.err.c_str(), 0), 0) << refusal.err;
        EXPECT_FALSE(Exists(dir.path() + "/" + c.name + ".table")) << c.name;
    }
}

// The grouping beyond the memory bound (bucket files) writes the bytes of
// the run that held everything: the program's own run against the grouping
// with a budget of 30 KB, on the same pairs.
TEST(PrepProgram, SmallMemoryBoundGivesTheSameBytesAsInMemory) {
    const TempDir dir;
    std::vector<FastqPair> pairs = testing::SimulatePairs(21, 3000, 50);
    for (size_t i = 0; i < pairs.size(); i += 5)
        pairs[i].firstSequence.replace(0, 12, "CCCCCCCCCCCC");
    testing::WriteGzip(dir.path() + "/1.fq.gz", testing::FastqText(pairs, 1));
    testing::WriteGzip(dir.path() + "/2.fq.gz", testing::FastqText(pairs, 2));
    const std::string tmp = dir.path() + "/tmp";
    mkdir(tmp.c_str(), 0700);
    for (const char* orientation : {"", "--one-orientation"}) {
        std::vector<std::string> inMemory = {
            "-1", dir.path() + "/1.fq.gz", "-2", dir.path() + "/2.fq.gz", "-q",
            "-o", dir.path() + "/memory"};
        if (*orientation) inMemory.push_back(orientation);
        ASSERT_EQ(PrepText(inMemory).status, 0);
        const testing::GroupedOutput bounded =
            testing::GroupPairs(pairs, 50, !*orientation, 30000, tmp);
        EXPECT_GT(bounded.totals.spills, 0u);
        EXPECT_TRUE(ReadFile(dir.path() + "/memory.table") == bounded.table);
        EXPECT_EQ(ReadFile(dir.path() + "/memory.index"), bounded.index);
        EXPECT_EQ(bounded.table, testing::ExpectedTableAndIndex(pairs, 50, !*orientation).table);
        EXPECT_TRUE(testing::FolderEntries(tmp).empty());  // the bucket files are gone
        for (const char* name : {"/memory.table", "/memory.index"})
            std::filesystem::remove(dir.path() + name);
    }
}

TEST(PrepProgram, PeakMemoryStaysUnderTheBound) {
#ifdef LORVEX_SANITIZED
    GTEST_SKIP() << "sanitizer shadow memory makes the resident size meaningless";
#endif
    // 80,000 pairs of 100 bases need 35 MB held in memory (and make a 65 MB
    // table); the bound is 32 MiB.
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(81, 80000, 100, 400);
    const std::string r1 = dir.Write("1.fq", testing::FastqText(pairs, 1));
    const std::string r2 = dir.Write("2.fq", testing::FastqText(pairs, 2));
    const ProgramRun run =
        PrepText({"-1", r1, "-2", r2, "-o", dir.path() + "/out", "--memory", "32M"});
    ASSERT_EQ(run.status, 0) << run.err;
    const size_t at = run.err.find("peak memory ");
    ASSERT_NE(at, std::string::npos) << run.err;
    const double peakMiB = std::stod(run.err.substr(at + 12));
    EXPECT_LT(peakMiB, 32.0) << run.err;
    EXPECT_NE(run.err.find("temporary bucket files"), std::string::npos) << run.err;
    // The bytes of the bounded path are compared with the model above; here
    // it is enough that the result is a valid pair.
    EXPECT_EQ(Prep({"--check", dir.path() + "/out.table", dir.path() + "/out.index"}).status, 0);
}

TEST(PrepProgram, FailuresLeaveNothingBehind) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(31, 2000, 50);
    const std::string r2 = dir.Write("2.fq", testing::FastqText(pairs, 2));
    const std::string out = dir.path() + "/out", tmp = dir.path() + "/tmp";
    mkdir(tmp.c_str(), 0700);
    mkdir(out.c_str(), 0700);

    // A gzip file cut short, late in the input. Failures after the pairs
    // began to spill to bucket files are left to the grouping's own tests
    // and to the interrupted runs.
    const std::string gz = testing::GzipBytes(testing::FastqText(pairs, 1));
    const std::string cut = dir.Write("cut.fq.gz", gz.substr(0, gz.size() * 9 / 10));
    const ProgramRun run = Prep(
        {"-1", cut, "-2", r2, "-o", out + "/reads", "--tmp-dir", tmp, "--stats", out + "/stats"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("lorvex-prep: " + cut + ": record 1,", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("ends inside compressed data (truncated?)\n"), std::string::npos);
    EXPECT_TRUE(testing::FolderEntries(out).empty());
    EXPECT_TRUE(testing::FolderEntries(tmp).empty());
}

TEST(PrepProgram, RefusesFilesThatDoNotPairUp) {
    const TempDir dir;
    std::vector<FastqPair> pairs = testing::SimulatePairs(41, 100, 40);
    const std::string r1 = dir.Write("1.fq", testing::FastqText(pairs, 1));
    std::vector<FastqPair> fewer(pairs.begin(), pairs.end() - 1);
    ProgramRun run = Prep(
        {"-1", r1, "-2", dir.Write("2.fq", testing::FastqText(fewer, 2)), "-o", dir.path() + "/a"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lorvex-prep: " + dir.path() + "/2.fq: ends after 99 records, but " + r1 +
                           " has more: the files do not pair up\n");

    std::vector<FastqPair> renamed = pairs;
    renamed[42].name = "other";
    const std::string r2 = dir.Write("2.fq", testing::FastqText(renamed, 2));
    run = Prep({"-1", r1, "-2", r2, "-o", dir.path() + "/b"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(r2 + ": record 43: read name 'other' does not match"), std::string::npos)
        << run.err;
    EXPECT_FALSE(Exists(dir.path() + "/b.pairs"));
    run = Prep({"-1", r1, "-2", r2, "-o", dir.path() + "/b", "--no-name-check", "-q"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(PrepProgram, BadQualityIsAnErrorNamingFileAndRecord) {
    const TempDir dir;
    std::vector<FastqPair> pairs = testing::SimulatePairs(51, 1300, 40);
    pairs[1203].firstQuality[5] = ' ';
    const std::string r1 = dir.Write("reads_1.fq", testing::FastqText(pairs, 1));
    const ProgramRun run =
        Prep({"-1", r1, "-2", dir.Write("reads_2.fq", testing::FastqText(pairs, 2)), "-o",
              dir.path() + "/out"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "lorvex-prep: " + r1 +
                           ": record 1,204: quality character ' ' at position 6 is outside '!' "
                           "to '~' (Phred+33)\n");
    EXPECT_EQ(testing::FolderEntries(dir.path()).size(), 2u);
}

TEST(PrepProgram, KeepsExistingOutputsUnlessForced) {
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(61, 50, 30);
    const std::vector<std::string> inputs = testing::QuietPrepArguments(dir, pairs);
    dir.Write("out.index", "precious");
    ProgramRun run = PrepText(inputs);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("out.index: exists already (--force replaces it)"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.path() + "/out.index"), "precious");
    EXPECT_FALSE(Exists(dir.path() + "/out.table"));

    std::vector<std::string> forced = inputs;
    forced.push_back("--force");
    run = PrepText(forced);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir.path() + "/out.index"), testing::ExpectedTableAndIndex(pairs, 30).index);
    EXPECT_EQ(testing::FolderEntries(dir.path()),
              (std::vector<std::string>{"1.fq", "2.fq", "out.index", "out.table"}));
}

TEST(PrepProgram, CheckReportsTheFirstProblemWithItsLine) {
    const TempDir dir;
    const auto pairs = testing::SimulatePairs(71, 40, 20);
    const testing::ExpectedOutput good = testing::ExpectedTableAndIndex(pairs, 20);
    const std::string index = dir.Write("t.index", good.index);
    const size_t lineSize = 84;
    const auto check = [&](const std::string& table, const std::string& indexPath) {
        return Prep({"--check", dir.Write("t.table", table), indexPath});
    };
    EXPECT_EQ(check(good.table, index).status, 0);

    // Two lines of different groups swapped.
    std::string swapped = good.table;
    std::swap_ranges(swapped.begin(), swapped.begin() + lineSize, swapped.end() - lineSize);
    ProgramRun run = check(swapped, index);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("t.table: line 1: first read begins " + swapped.substr(0, 12) +
                           ", whose group the index puts at lines 79 to 80\n"),
              std::string::npos)
        << run.err;

    std::string ragged = good.table;
    ragged.erase(lineSize * 5 + 3, 1);
    run = check(ragged, index);
    EXPECT_NE(run.err.find("t.table: line 6: not 84 bytes long"), std::string::npos) << run.err;

    std::string badQuality = good.table;
    badQuality[lineSize * 2 + 70] = '\x01';
    run = check(badQuality, index);
    EXPECT_NE(run.err.find("t.table: line 3: quality character outside"), std::string::npos)
        << run.err;

    // A line beyond the counted ones lies outside every group.
    run = check(good.table + good.table.substr(0, lineSize), index);
    EXPECT_NE(run.err.find("t.table: line 81: first read begins"), std::string::npos) << run.err;

    // Counts beyond the table's lines.
    std::string longIndex = good.index;
    longIndex.insert(longIndex.find('\n'), "0");
    run = check(good.table, dir.Write("long.index", longIndex));
    EXPECT_NE(run.err.find("long.index: counts add up to"), std::string::npos) << run.err;
}

TEST(PrepProgram, CommandLineMistakesGiveUsage) {
    EXPECT_EQ(Prep({}).status, 2);
    const ProgramRun help = Prep({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("-m,--memory SIZE=2G"), std::string::npos);
    EXPECT_EQ(Prep({"--version"}).out, std::string("lorvex-prep ") + LORVEX_VERSION + "\n");
    EXPECT_EQ(Prep({"-1", "a.fq", "-o", "x"}).status, 2);
    EXPECT_EQ(Prep({"-1", "a", "-2", "b", "-o", "x", "-l", "11"}).status, 2);
    EXPECT_EQ(Prep({"-1", "a", "-2", "b", "-o", "x", "--memory", "2X"}).status, 2);
    EXPECT_EQ(Prep({"-1", "a", "-2", "b", "-o", "x", "--phred33", "--phred64"}).status, 2);
    EXPECT_EQ(Prep({"-1", "a", "-2", "b", "-o", "x", "--stats", "x.index"}).status, 2);
    const ProgramRun missing = Prep({"-1", "/nonexistent/a.fq", "-2", "b", "-o", "/tmp/x"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "lorvex-prep: /nonexistent/a.fq: No such file or directory\n");
    // Bare file names, in the order given, with the options they need.
    const struct {
        std::vector<std::string> arguments;
        std::string firstLine;
    } bare[] = {
        {{"r1.fq", "r2.fq", "-o", "x"}, "FASTQ files are named by options: -1 r1.fq -2 r2.fq"},
        {{"-1", "a", "-2", "b", "c", "-o", "x"},
         "not expected: 'c'; FASTQ files are named by options: -1 R1 -2 R2, or --interleaved FILE"},
    };
    for (const auto& c : bare) {
        const ProgramRun run = Prep(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "lorvex-prep: " + c.firstLine);
    }
    // A prefix that names an output is taken as a prefix, with a warning.
    const TempDir dir;
    const std::vector<FastqPair> pairs = testing::SimulatePairs(3, 20, 30);
    const std::string r1 = dir.Write("r1.fq", testing::FastqText(pairs, 1));
    const std::string r2 = dir.Write("r2.fq", testing::FastqText(pairs, 2));
    const std::string prefix = dir.path() + "/reads.table";
    const ProgramRun named = PrepText({"-1", r1, "-2", r2, "-o", prefix, "-q"});
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(named.err, "lorvex-prep: warning: -o " + prefix + " is a name prefix: this writes " +
                             prefix + ".table and " + prefix + ".index (-o " + dir.path() +
                             "/reads writes " + dir.path() + "/reads.table)\n");
    EXPECT_TRUE(Exists(prefix + ".table"));
}

}  // namespace
}  // namespace lorvex::prep
