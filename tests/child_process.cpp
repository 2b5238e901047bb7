#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "test_support.h"

namespace lorvex::testing {

// The folder of the capture files, removed with the process object.
class ChildProcess::Files {
  public:
    TempDir dir;
    std::string out = dir.path() + "/out";
    std::string err = dir.path() + "/err";
    std::string peak = dir.path() + "/peak";
};

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const ChildSettings& settings)
    : files_(std::make_unique<Files>()), output_(settings.output) {
    const std::string binary = std::string(LORVEX_BIN_DIR) + "/" + program;
    std::vector<std::string> timeArguments{"/usr/bin/time", "-q", "-f", "%M", "-o", files_->peak};
    std::vector<char*> argv;
    if (settings.measurePeak)
        for (const std::string& argument : timeArguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
    measurePeak_ = settings.measurePeak;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string inPath = settings.stdinPath.empty() ? "/dev/null" : settings.stdinPath;
    const std::string& outPath =
        settings.output == ChildOutput::File ? settings.stdoutPath : files_->out;
    int ends[2] = {-1, -1};
    if (output_ == ChildOutput::Pipe) {
        if (pipe(ends) != 0) throw std::runtime_error("pipe failed");
        fcntl(ends[1], F_SETPIPE_SZ, 4096);
    }
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        // Only calls that are safe between fork and exec.
        const int in = open(inPath.c_str(), O_RDONLY);
        const int err = open(files_->err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(err, 2);
        if (output_ == ChildOutput::Pipe) {
            dup2(ends[1], 1);
            close(ends[0]);
        } else if (output_ == ChildOutput::Closed) {
            close(1);
        } else {
            dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        }
        if (settings.addressSpaceLimit != 0) {
            const rlimit limit{settings.addressSpaceLimit, settings.addressSpaceLimit};
            setrlimit(RLIMIT_AS, &limit);
        }
        alarm(static_cast<unsigned>(settings.timeoutSeconds));
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (output_ == ChildOutput::Pipe) {
        close(ends[1]);
        pipe_ = ends[0];
    }
}

ChildProcess::~ChildProcess() {
    CloseOutput();
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ChildProcess::Signal(int signal) const {
    kill(pid_, signal);
}

void ChildProcess::ReadAtLeast(size_t bytes) {
    char chunk[4096];
    while (pipe_ >= 0 && piped_.size() < bytes) {
        const ssize_t n = read(pipe_, chunk, sizeof chunk);
        if (n <= 0) return;
        piped_.append(chunk, static_cast<size_t>(n));
    }
}

void ChildProcess::CloseOutput() {
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
}

ProgramRun ChildProcess::Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    ProgramRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (measurePeak_) run.peakKib = std::atol(ReadFile(files_->peak).c_str());
    if (output_ == ChildOutput::Captured) run.out = ReadFile(files_->out);
    if (output_ == ChildOutput::Pipe) run.out = piped_;
    run.err = ReadFile(files_->err);
    return run;
}

ProgramRun RunBuiltProgram(const std::string& program, const std::vector<std::string>& arguments,
                           int timeoutSeconds, const std::string& stdoutPath) {
    ChildSettings settings;
    settings.timeoutSeconds = timeoutSeconds;
    if (!stdoutPath.empty()) {
        settings.output = ChildOutput::File;
        settings.stdoutPath = stdoutPath;
    }
    return ChildProcess(program, arguments, settings).Wait();
}

}  // namespace lorvex::testing
