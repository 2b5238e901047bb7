// The one place where a program's errors become its message and exit
// status: "<program>: <what>" on standard error, one line, and 2 for a
// UsageError; 1 for an InputError, an OutputError, memory that runs out or
// a thread that cannot start; 128 + the signal when Interrupted.
#pragma once

#include <functional>
#include <string>

namespace lorvex {

// Runs body (which returns the status of a run that ends normally) and
// reports what it throws. A closed pipe shows as a write error with a
// message, not as a silent death by SIGPIPE. outOfMemoryAdvice, when given,
// follows the out-of-memory message in parentheses.
int RunTool(const std::string& program, const std::function<int()>& body,
            const std::string& outOfMemoryAdvice = "");

}  // namespace lorvex
