// The failures of lorvex-prep beyond bad input (input/input_file.h has
// InputError for those): its own files could not be written, or the run was
// stopped by a signal. Also the number format every message uses.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lorvex::prep {

// An output or temporary file could not be created, written or renamed.
struct OutputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "<path>: <what>" for output files, like FileError for inputs.
inline OutputError OutputFileError(const std::string& path, const std::string& what) {
    return OutputError(path + ": " + what);
}

// The run was asked to stop (SIGINT, SIGTERM, SIGHUP) or a test hook
// failed it on purpose; signalNumber is 0 for the hook.
struct Interrupted : std::runtime_error {
    explicit Interrupted(int signal);
    int signalNumber;
};

// Signal handlers only raise a flag; long loops call ThrowIfStopRequested so
// that the stack unwinds and every temporary file is removed on the way.
void InstallStopHandlers();
void ThrowIfStopRequested();

// 1204 -> "1,204".
std::string WithThousands(uint64_t number);

// "record 1,204", "line 17".
inline std::string RecordLabel(uint64_t record) {
    return "record " + WithThousands(record);
}
inline std::string LineLabel(uint64_t line) {
    return "line " + WithThousands(line);
}

}  // namespace lorvex::prep
