// Helpers for the lorvex-prep tests: simulated FASTQ pairs, and the table
// and index that a correct run must write, built by the shared test model
// rather than by lorvex-prep.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "child_process.h"
#include "prep/pair_grouping.h"
#include "test_support.h"

namespace lorvex::prep::testing {

// Runs the built lorvex-prep; stdinPath is the file its standard input reads
// (empty: nothing).
lorvex::testing::ProgramRun Prep(const std::vector<std::string>& arguments,
                                 const std::string& stdinPath = "");

struct FastqPair {
    std::string name;
    std::string firstSequence, firstQuality;
    std::string secondSequence, secondQuality;
};

// Pairs from a random genome: first read at a fragment's start, second read
// the reverse complement of its end, qualities from '#' to 'J'.
std::vector<FastqPair> SimulatePairs(uint64_t seed, int count, int readLength,
                                     int fragmentLength = 300);

// The pairs with each read cut as quality trimming leaves reads: kept whole
// with probability 0.45, else cut to minLength or more bases, longer cuts the
// likelier; some cut bases become N or '.', as a trimmer may mask them.
std::vector<FastqPair> TrimmedPairs(uint64_t seed, std::vector<FastqPair> pairs, int minLength);

// One FASTQ file of the pairs: mate 1 or 2, or both interleaved (mate 0).
// Names get a "/1" or "/2" suffix and a comment.
std::string FastqText(const std::vector<FastqPair>& pairs, int mate,
                      const std::string& lineEnd = "\n");

// lorvex-prep's arguments for the pairs written as 1.fq and 2.fq into dir:
// -1, -2, -q and -o dir/out.
std::vector<std::string> QuietPrepArguments(const lorvex::testing::TempDir& dir,
                                            const std::vector<FastqPair>& pairs);

struct ExpectedOutput {
    std::string table;
    std::string index;
    uint64_t keptPairs = 0;
};

// What lorvex-prep must write: reads cut to readLength and upper-cased,
// pairs with a short read or a base other than A, C, G, T dropped, each kept
// pair as (1, 2) and, with both orientations, (2, 1).
ExpectedOutput ExpectedTableAndIndex(const std::vector<FastqPair>& pairs, int readLength,
                                     bool bothOrientations = true);

struct GroupedOutput {
    std::string table;
    std::string index;
    GroupingTotals totals;
};

// What PairGrouper writes for the pairs with the given memory budget, its
// bucket files in a work folder inside workParent.
GroupedOutput GroupPairs(const std::vector<FastqPair>& pairs, int32_t readLength,
                         bool bothOrientations, uint64_t budget, const std::string& workParent);

using lorvex::testing::FolderEntries;
using lorvex::testing::GzipBytes;
using lorvex::testing::WriteBgzf;
using lorvex::testing::WriteGzip;

}  // namespace lorvex::prep::testing
