// What every program shares on its command line, run as a user runs it:
// --version names the program, and the programs with options take the
// thread count as -j or --threads alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.h"

namespace lorvex {
namespace {

using testing::ProgramRun;
using testing::RunBuiltProgram;

const std::vector<std::string> allPrograms = {"lorvex", "lorvex-strict", "lorvex-prep",
                                              "lorvex-extend", "lorvex-close"};

TEST(ProgramConventions, VersionNamesTheProgram) {
    for (const std::string& program : allPrograms) {
        const ProgramRun version = RunBuiltProgram(program, {"--version"});
        EXPECT_EQ(version.status, 0) << program;
        EXPECT_EQ(version.out, program + " " + LORVEX_VERSION + "\n");
        EXPECT_EQ(version.err, "") << program;
    }
}

// A thread count in range lets the run go on to its missing input (status
// 1); one out of range is refused by name (status 2), in either spelling.
TEST(ProgramConventions, ThreadsByEitherName) {
    const std::string missing = "/nonexistent/input";
    const std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {"lorvex-prep", {"-1", missing, "-2", missing + "2", "-o", "/nonexistent/out"}},
        {"lorvex-extend", {"-s", missing, "-t", missing + ".table", "-i", missing + ".index"}},
        {"lorvex-close", {"-s", missing, "-t", missing + ".table", "-i", missing + ".index"}},
    };
    for (const auto& [program, inputs] : runs)
        for (const std::string spelling : {"-j", "--threads"}) {
            std::vector<std::string> arguments = inputs;
            arguments.insert(arguments.end(), {spelling, "2"});
            const ProgramRun accepted = RunBuiltProgram(program, arguments);
            EXPECT_EQ(accepted.status, 1) << program << " " << spelling << ": " << accepted.err;
            EXPECT_NE(accepted.err.find(missing), std::string::npos) << accepted.err;
            arguments.back() = "0";
            const ProgramRun refused = RunBuiltProgram(program, arguments);
            EXPECT_EQ(refused.status, 2) << program << " " << spelling;
            EXPECT_NE(refused.err.find("--threads"), std::string::npos) << refused.err;
        }
}

}  // namespace
}  // namespace lorvex
