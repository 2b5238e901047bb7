// What a program's command line gave: its options, or the exit status when
// the program should stop here (help, version, a mistake). Apart from the
// parser (tool/command_line.h), so that the programs' option headers need
// not include it.
#pragma once

#include <optional>

namespace lorvex {

template <typename Options>
struct ParsedOptions {
    Options options;
    std::optional<int> exitStatus;
};

}  // namespace lorvex
