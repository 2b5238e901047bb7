// Outputs fail loudly, naming the file, and appear under their names only
// once whole.
#include "tool/output_file.h"

#include <gtest/gtest.h>

#include "base/errors.h"
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

}  // namespace
}  // namespace lorvex
