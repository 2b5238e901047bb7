#include "prep_test_support.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "prep/pair_filter.h"
#include "test_support.h"
#include "tool/output_file.h"

namespace lorvex::prep::testing {

lorvex::testing::ProgramRun Prep(const std::vector<std::string>& arguments,
                                 const std::string& stdinPath) {
    lorvex::testing::ChildSettings settings;
    settings.stdinPath = stdinPath;
    return lorvex::testing::ChildProcess("lorvex-prep", arguments, settings).Wait();
}

using lorvex::testing::ReadFile;
using lorvex::testing::ReverseComplementOf;

std::vector<FastqPair> SimulatePairs(uint64_t seed, int count, int readLength, int fragmentLength) {
    const size_t fragment = static_cast<size_t>(std::max(fragmentLength, readLength));
    const std::string genome = lorvex::testing::RandomBases(seed, fragment * 4 + 1000);
    std::mt19937_64 random(seed + 1);
    const auto quality = [&random](size_t length) {
        std::string text(length, 'J');
        for (char& c : text) c = static_cast<char>('#' + random() % ('J' - '#' + 1));
        return text;
    };
    std::vector<FastqPair> pairs;
    for (int i = 0; i < count; ++i) {
        const size_t start = random() % (genome.size() - fragment);
        const size_t r = static_cast<size_t>(readLength);
        FastqPair pair;
        pair.name = "sim" + std::to_string(seed) + "." + std::to_string(i);
        pair.firstSequence = genome.substr(start, r);
        pair.secondSequence = ReverseComplementOf(genome.substr(start + fragment - r, r));
        pair.firstQuality = quality(r);
        pair.secondQuality = quality(r);
        pairs.push_back(pair);
    }
    return pairs;
}

std::vector<FastqPair> TrimmedPairs(uint64_t seed, std::vector<FastqPair> pairs, int minLength) {
    std::mt19937_64 random(seed);
    const auto cut = [&](std::string& sequence, std::string& quality) {
        const size_t full = sequence.size(), least = static_cast<size_t>(minLength);
        if (full <= least || random() % 100 < 45) return;
        // Of two uniform draws the larger: longer cuts are the likelier.
        const size_t length =
            least + std::max(random() % (full - least), random() % (full - least));
        sequence.resize(length);
        quality.resize(length);
        if (random() % 8 == 0) sequence[random() % length] = "N."[random() % 2];
    };
    for (FastqPair& pair : pairs) {
        cut(pair.firstSequence, pair.firstQuality);
        cut(pair.secondSequence, pair.secondQuality);
    }
    return pairs;
}

std::vector<std::string> QuietPrepArguments(const lorvex::testing::TempDir& dir,
                                            const std::vector<FastqPair>& pairs) {
    return {"-1",
            dir.Write("1.fq", FastqText(pairs, 1)),
            "-2",
            dir.Write("2.fq", FastqText(pairs, 2)),
            "-q",
            "-o",
            dir.path() + "/out"};
}

std::string FastqText(const std::vector<FastqPair>& pairs, int mate, const std::string& lineEnd) {
    std::string text;
    const auto record = [&](const FastqPair& pair, int which) {
        const bool first = which == 1;
        text += "@" + pair.name + "/" + std::to_string(which) + " sample=test" + lineEnd;
        text += (first ? pair.firstSequence : pair.secondSequence) + lineEnd + "+" + lineEnd;
        text += (first ? pair.firstQuality : pair.secondQuality) + lineEnd;
    };
    for (const FastqPair& pair : pairs) {
        if (mate != 2) record(pair, 1);
        if (mate != 1) record(pair, 2);
    }
    return text;
}

ExpectedOutput ExpectedTableAndIndex(const std::vector<FastqPair>& pairs, int readLength,
                                     bool bothOrientations) {
    const size_t r = static_cast<size_t>(readLength);
    const auto cut = [r](std::string text) {
        text.resize(r);
        std::transform(text.begin(), text.end(), text.begin(), ::toupper);
        return text;
    };
    std::vector<lorvex::testing::ReadPair> lines;
    ExpectedOutput expected;
    for (const FastqPair& pair : pairs) {
        if (pair.firstSequence.size() < r || pair.secondSequence.size() < r) continue;
        const std::string first = cut(pair.firstSequence), second = cut(pair.secondSequence);
        if ((first + second).find_first_not_of("ACGT") != std::string::npos) continue;
        const std::string firstQuality = pair.firstQuality.substr(0, r);
        const std::string secondQuality = pair.secondQuality.substr(0, r);
        lines.push_back({first, second, firstQuality, secondQuality});
        if (bothOrientations) lines.push_back({second, first, secondQuality, firstQuality});
        ++expected.keptPairs;
    }
    const lorvex::testing::TempDir dir;
    const lorvex::testing::TableFiles files = lorvex::testing::WriteTableAndIndex(dir, lines);
    expected.table = ReadFile(files.table);
    expected.index = ReadFile(files.index);
    return expected;
}

GroupedOutput GroupPairs(const std::vector<FastqPair>& pairs, int32_t readLength,
                         bool bothOrientations, uint64_t budget, const std::string& workParent) {
    const lorvex::testing::TempDir dir;
    WorkFolder work(workParent);
    PairGrouper grouper({readLength, bothOrientations, budget}, work);
    const OutputPaths paths = OutputPathsFor(dir.path() + "/out");
    GroupedTableWriter writer(paths, readLength);
    for (const FastqPair& pair : pairs) {
        if (PackPair(pair.firstSequence, pair.firstQuality, pair.secondSequence, pair.secondQuality,
                     readLength, grouper.PairSlot()) == PairVerdict::Kept)
            grouper.KeepPair();
    }
    ProgressMeter quiet(false);
    grouper.WriteAll(writer, quiet);
    FinishThenCommit(&writer);
    return {ReadFile(paths.table), ReadFile(paths.index), grouper.totals()};
}

}  // namespace lorvex::prep::testing
