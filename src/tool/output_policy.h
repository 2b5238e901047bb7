// Which files a run may write, checked before any long work so that a run
// never fails at its end for a name it was given. One rule for every
// program that writes files:
// - an output that is one of the run's inputs (the same file under any
//   name: a hard or symbolic link counts) is always refused;
// - an existing file is replaced only when the run may replace outputs
//   (--force); a device, a FIFO or a socket is written in place;
// - the folder of every output is created when missing, and must be
//   writable.
// "-" (standard input or output) and empty names (outputs not asked for)
// are passed over.
#pragma once

#include <string>
#include <vector>

namespace lorvex {

struct OutputPlan {
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    bool replace = false;
    std::string replaceOption = "--force";
};

// Throws OutputError naming the output (and the input it is).
void PrepareOutputFiles(const OutputPlan& plan);

}  // namespace lorvex
