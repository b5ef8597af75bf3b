#pragma once
// Ctrl-C and termination for the command line: the signal is only noted,
// and the search, which polls at its yields, ends at its next folder or
// file as if its stop button had been pressed.  A second signal of the same
// kind ends the program at once, as it would without us.

namespace platform {

// Notes SIGINT and SIGTERM from now on instead of ending the program.
void CatchInterrupts();
// The signal noted since CatchInterrupts(), or 0.
int InterruptSignal();

} // namespace platform
