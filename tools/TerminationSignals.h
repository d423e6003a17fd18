// SIGTERM, SIGINT and SIGHUP (what `timeout`, a batch scheduler's time limit,
// Ctrl+C and a closed terminal send) end a run in order: the line being
// written is finished, the records held are written, and the run exits with
// 128 + the signal's number. A second such signal ends the process at once.
#pragma once

// Call once, before any thread is started.
void CatchTerminationSignals();
// The signal that asked the run to end, or 0. Any thread.
int TerminationSignal();
