// Outputs fail loudly, naming the file, and appear under their names only
// once whole.
#include "tool/output_file.h"

#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "input/input_stream.h"
#include "test_support.h"

namespace lorvex {
namespace {

using testing::FolderEntries;
using testing::ReadFile;
using testing::TempDir;

TEST(NamedOutput, FailedWritesNameTheFile) {
    NamedOutput full("/dev/full");
    try {
        full.Write(std::string(3 << 20, 'A'));  // more than the buffer holds
        full.Finish();
        ADD_FAILURE() << "a write to /dev/full succeeded";
    } catch (const OutputError& error) {
        EXPECT_EQ(std::string(error.what()), "/dev/full: No space left on device");
    }
    NamedOutput small("/dev/full");
    small.Write("x");  // buffered: the failure shows when it is finished
    EXPECT_THROW(small.Finish(), OutputError);
    EXPECT_THROW(NamedOutput("/nonexistent-folder/out.fa"), OutputError);
}

TEST(NamedOutput, AFileTakesItsNameOnlyWhenCommitted) {
    const TempDir dir;
    const std::string path = dir.Write("out.fa", "the last run's contigs");
    {
        NamedOutput output(path);
        output.Write(">new\n");
        output.Finish();
        EXPECT_EQ(ReadFile(path), "the last run's contigs");
        output.Commit();
    }
    EXPECT_EQ(ReadFile(path), ">new\n");
    {
        NamedOutput abandoned(dir.path() + "/failed.fa");
        abandoned.Write(">half a record");
    }
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"out.fa"});
}

// A name ending in .gz gets the text compressed, in pieces of any size
// (empty, one byte, more than the buffer and zlib's chunks), and a plain
// name the text as it is.
TEST(NamedOutput, NamesEndingInGzAreCompressed) {
    const TempDir dir;
    std::mt19937_64 random(18);
    std::string text;
    std::vector<std::string> pieces;
    for (const size_t size : {size_t{0}, size_t{1}, size_t{100}, size_t{70000}, size_t{3} << 20}) {
        std::string piece(size, 'A');
        for (char& c : piece) c = "ACGT\n\t"[random() % 6];
        pieces.push_back(piece);
        text += piece;
    }
    for (const std::string name : {"out.fa.gz", "out.fa", "empty.tsv.gz"}) {
        const std::string path = dir.path() + "/" + name;
        const bool empty = name[0] == 'e';
        {
            NamedOutput output(path, 1 << 16);
            if (!empty)
                for (const std::string& piece : pieces) output.Write(piece);
            output.Finish();
            output.Commit();
        }
        const std::string written = ReadFile(path);
        const bool compressed = written.size() >= 2 && written[0] == '\x1f' && written[1] == '\x8b';
        EXPECT_EQ(compressed, name.ends_with(".gz")) << name;
        EXPECT_EQ(ReadWholeInput(path), empty ? "" : text) << name;
    }
}

}  // namespace
}  // namespace lorvex
