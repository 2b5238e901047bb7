// The built programs run as a user runs them, each in a child process with
// standard input from /dev/null (or a file) and a time limit, and what it wrote and how
// it ended. Every end-to-end test starts its programs through this.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lorvex::testing {

struct ProgramRun {
    int status = -1;  // exit status, or 128 + signal
    std::string out;
    std::string err;
    long peakKib = 0;  // the program's peak resident set, with ChildSettings::measurePeak
};

// Where the child's standard output goes.
enum class ChildOutput {
    Captured,  // a file, read into ProgramRun::out
    File,      // ChildSettings::stdoutPath, left for the test to read
    Pipe,      // a pipe of one page that the test reads (ReadAtLeast), so the child blocks
    Closed,    // no standard output at all
};

struct ChildSettings {
    int timeoutSeconds = 120;
    ChildOutput output = ChildOutput::Captured;
    std::string stdoutPath;
    std::string stdinPath;           // empty: /dev/null
    uint64_t addressSpaceLimit = 0;  // bytes; 0: no limit
    // The program runs as a child of time(1), which reports its peak: the
    // peak of a child forked from the test would count the memory the test
    // held before exec. Signals then reach time(1), not the program.
    bool measurePeak = false;
};

class ChildProcess {
  public:
    // Starts a program of the build folder (e.g. "lorvex") with arguments.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildSettings& settings = {});
    // A child still running is killed.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    pid_t pid() const { return pid_; }
    // With a piped output: reads until at least `bytes` arrived or the output ended.
    void ReadAtLeast(size_t bytes);
    void ReadToEnd() { ReadAtLeast(std::string::npos); }
    void CloseOutput();
    // Waits for the end of the child.
    ProgramRun Wait();

  private:
    class Files;
    std::unique_ptr<Files> files_;
    ChildOutput output_;
    bool measurePeak_ = false;
    pid_t pid_ = -1;
    int pipe_ = -1;
    std::string piped_;
};

// Starts a program and waits for it; standard output goes to stdoutPath
// when one is given.
ProgramRun RunBuiltProgram(const std::string& program, const std::vector<std::string>& arguments,
                           int timeoutSeconds = 120, const std::string& stdoutPath = "");

}  // namespace lorvex::testing
