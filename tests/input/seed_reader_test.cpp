#include "input/seed_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/input_file.h"
#include "reference/literal_input.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::TempDir;

// Both readers: the two-pass reference and the single read the programs use.
std::string TwoPass(const std::string& path) {
    const int32_t count = NumberOfBasesInFastaFile(path);
    std::string bases(static_cast<size_t>(count), '?');
    ReadFasta(path, bases.data());
    return bases;
}

struct SeedCase {
    const char* contents;
    const char* bases;
};

TEST(SeedReader, FollowsTheSeedRules) {
    const std::vector<SeedCase> cases = {
        {">s\nACGT\nacgt\n", "ACGTACGT"},
        {">s\r\nACGT\r\nacgt\r\n", "ACGTACGT"},  // CR LF, CR of the header skipped with it
        {">s\nAC\nGTACG\nT\n", "ACGTACGT"},      // unequal lines
        {">s\nACGTACGT", "ACGTACGT"},            // last line without LF
        {">s\nnNRx\n", "nNRx"},                  // only a, c, g, t are folded
        {">s\nAC G\tT\n", "AC G\tT"},            // blanks and tabs are bases
        {"ACGT\nCCCC\n", "CCCC"},                // the first line is always skipped
        {">s\nAA\n>second\nCC\n", "AA>seCondCC"},
        {">only a header\n", ""},
        {"", ""},
        {">no line feed at all", ""},
    };
    TempDir dir;
    for (const SeedCase& seed : cases) {
        const std::string path = dir.Write("seed.fa", seed.contents);
        EXPECT_EQ(TwoPass(path), seed.bases) << seed.contents;
        EXPECT_EQ(LoadSeed(path), seed.bases) << seed.contents;
    }
}

TEST(SeedReader, RefusesZeroBytesAndUnreadableFiles) {
    TempDir dir;
    const std::string withZero = dir.Write("zero.fa", std::string(">s\nAC\0GT\n", 9));
    EXPECT_THROW(LoadSeed(withZero), InputError);
    EXPECT_THROW(LoadSeed(dir.path() + "/missing.fa"), InputError);
    EXPECT_THROW(LoadSeed(dir.path()), InputError);  // a directory
    EXPECT_THROW(NumberOfBasesInFastaFile(dir.path() + "/missing.fa"), InputError);
    try {
        LoadSeed(dir.path() + "/missing.fa");
    } catch (const InputError& error) {
        EXPECT_EQ(std::string(error.what()), dir.path() + "/missing.fa: No such file or directory");
    }
}

}  // namespace
}  // namespace lorvex
