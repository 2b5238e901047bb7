// The one place where a program's errors become its message and exit
// status: "<program>: <what>" on standard error, one line, and 2 for a
// UsageError; 1 for an InputError, an OutputError, memory that runs out or
// a thread that cannot start; 128 + the signal when Interrupted.
#pragma once

#include <functional>
#include <string>

namespace lorvex {

// How a program words the ends that differ between programs.
struct ToolEnds {
    // Follows the out-of-memory message in parentheses, when given.
    std::string outOfMemoryAdvice;
    // Follows "stopped by signal <name>; ".
    std::string stoppedNote = "nothing was written";
    // A closed pipe ends the run without a message, with status 128 +
    // SIGPIPE, as a reader such as `head` expects; otherwise it is a write
    // error with a message and status 1.
    bool quietOnClosedPipe = false;
};

// Runs body (which returns the status of a run that ends normally) and
// reports what it throws. A closed pipe never ends the process by SIGPIPE.
int RunTool(const std::string& program, const std::function<int()>& body,
            const ToolEnds& ends = {});

}  // namespace lorvex
