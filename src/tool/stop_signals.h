// Stop signals (SIGINT, SIGTERM, SIGHUP) for programs that must clean up
// what they wrote. While a run has written nothing, a stop signal ends it at
// once with one line. Once it writes files, the handlers only raise a flag,
// and long loops (and writes that a signal interrupts) call
// ThrowIfStopRequested, so that the stack unwinds and every temporary file
// is removed on the way.
#pragma once

#include <string>

namespace lorvex {

// The flag from the start: every signal unwinds the stack.
void InstallStopHandlers();

// Ends the process at once on a stop signal, with "<program>: stopped by
// signal <name>; nothing was written" and status 128 + the signal, until
// DeferStopSignals is called.
void InstallImmediateStopHandlers(const std::string& program);
// From now on a stop signal raises the flag (call before creating outputs).
void DeferStopSignals();

bool StopRequested();
// Throws Interrupted when a stop signal has arrived.
void ThrowIfStopRequested();

}  // namespace lorvex
