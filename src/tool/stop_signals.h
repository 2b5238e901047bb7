// Stop signals (SIGINT, SIGTERM, SIGHUP) for programs that must clean up
// what they wrote: the handlers only raise a flag, and long loops call
// ThrowIfStopRequested, so that the stack unwinds and every temporary file
// is removed on the way.
#pragma once

namespace lorvex {

void InstallStopHandlers();

// Throws Interrupted when a stop signal has arrived.
void ThrowIfStopRequested();

}  // namespace lorvex
