// SPDX-License-Identifier: MIT
#pragma once

// SIGTERM and SIGHUP caught without doing anything inside the handler but
// a write: the handler only writes the signal's number into a pipe, whose
// other end an event loop watches and reads.

// Installs the handlers (once for the process: later calls return the same
// pipe). Returns the pipe's end to watch, or -1 when the handlers could not
// be installed.
int CatchTerminationSignals();

// The number of the next signal caught, or 0 when none is waiting.
int NextCaughtSignal();

// Lets SIGTERM and SIGHUP end the program again as they would without the
// handlers.
void RestoreTerminationSignals();
