// The command line of lorvex and lorvex-strict, which differ only in the
// Variant they pass: seven positional arguments, one line per accepted base
// on standard output, every error as one line on standard error.
#pragma once

#include "base/variant.h"
#include "extension/cycles.h"

namespace lorvex {

// A whole program run: arguments, start-up, extension, output; returns the
// exit status. The benchmarks pass the literal cycles.
int RunLorvex(int argc, char** argv, Variant variant, MakeCycles makeCycles = MakeFastCycles);

}  // namespace lorvex
