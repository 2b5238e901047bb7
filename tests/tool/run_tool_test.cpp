// The exit-status contract of every program: each kind of failure gives its
// status and one line on standard error naming the program.
#include "tool/run_tool.h"

#include <gtest/gtest.h>

#include <csignal>
#include <new>
#include <system_error>
#include <vector>

#include "base/errors.h"

namespace lorvex {
namespace {

TEST(RunTool, EveryFailureHasItsStatusAndOneLine) {
    const struct {
        std::function<int()> body;
        int status;
        std::string message;
    } cases[] = {
        {[] { return 0; }, 0, ""},
        {[] { return 2; }, 2, ""},
        {[]() -> int { throw UsageError("minDistance 1 must be at least 30"); }, 2,
         "minDistance 1 must be at least 30"},
        {[]() -> int { throw FileError("reads.index", "line 3: no count"); }, 1,
         "reads.index: line 3: no count"},
        {[]() -> int { throw OutputFileError("standard output", "Broken pipe"); }, 1,
         "standard output: Broken pipe"},
        {[]() -> int { throw Interrupted(SIGTERM); }, 128 + SIGTERM,
         "stopped by signal Terminated; nothing was written"},
        {[]() -> int { throw std::bad_alloc(); }, 1, "out of memory (less, please)"},
        {[]() -> int {
             throw std::system_error(
                 std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
         },
         1, "thread: Resource temporarily unavailable"},
    };
    for (const auto& c : cases) {
        ::testing::internal::CaptureStderr();
        const int status = RunTool("tool", c.body, {"less, please"});
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(status, c.status) << c.message;
        EXPECT_EQ(err, c.message.empty() ? "" : "tool: " + c.message + "\n");
    }
}

// A closed pipe is a failed write for the programs that report it, and a
// quiet end (128 + SIGPIPE) for those that end as readers such as head expect.
TEST(RunTool, AClosedPipeEndsQuietlyWhenAsked) {
    for (const bool quiet : {false, true}) {
        ToolEnds ends;
        ends.quietOnClosedPipe = quiet;
        ends.stoppedNote = "partial files removed";
        ::testing::internal::CaptureStderr();
        const int status = RunTool(
            "tool", []() -> int { throw ClosedPipe("standard output: Broken pipe"); }, ends);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  quiet ? "" : "tool: standard output: Broken pipe\n");
        EXPECT_EQ(status, quiet ? 128 + SIGPIPE : 1);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunTool(
                      "tool", []() -> int { throw Interrupted(SIGHUP); }, ends),
                  128 + SIGHUP);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "tool: stopped by signal Hangup; partial files removed\n");
    }
}

}  // namespace
}  // namespace lorvex
