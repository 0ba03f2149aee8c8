#pragma once

// SIGINT, SIGTERM and SIGHUP, the same way for every command of pointbridge-cli. By default a
// signal removes the temporary files of saves and exports in progress (the target stays as
// it was) and ends the program as the signal would. A command that can stop cleanly asks
// for a wake instead: the first signal then only makes WakeFd() readable; a second one ends
// the program as by default.
namespace CliSignals {

// Installs the handlers; main calls it once, before any command runs.
void Install();
// From now on the first signal wakes WakeFd() instead of ending the program.
void RequestWake();
// Becomes readable once a signal came after RequestWake(); -1 when Install failed.
int WakeFd();
// The signal that woke the command, 0 while none came.
int Received();

} // namespace CliSignals
