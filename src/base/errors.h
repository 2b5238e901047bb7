// The errors of every program, one type per line of the exit-status
// contract that tool/run_tool.h applies: input that cannot be read or breaks
// its format (1), output that cannot be written (1), a command line that
// cannot run (2), a stop signal (128 + the signal). Messages name the file
// and what is wrong, "<path>: <what>".
#pragma once

#include <stdexcept>
#include <string>

namespace lorvex {

struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline InputError FileError(const std::string& path, const std::string& what) {
    return InputError(path + ": " + what);
}

// An output (or a temporary file behind it) could not be created, written
// or moved into place; standard output is named "standard output".
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline OutputError OutputFileError(const std::string& path, const std::string& what) {
    return OutputError(path + ": " + what);
}

// A write to a pipe whose reader has gone (standard output into `head`).
struct ClosedPipe : OutputError {
    using OutputError::OutputError;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// SIGINT, SIGTERM or SIGHUP arrived; the stack unwinds so that every
// temporary file is removed on the way.
struct Interrupted : std::runtime_error {
    explicit Interrupted(int signal);
    int signalNumber;
};

}  // namespace lorvex
