#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <utility>

// Where an exception that escapes a handler ends up. Needs no window system, so that the
// port's event thread and the command-line tool can use it: programs with windows make the
// reporter the error box (TApplication does), the rest write to standard error.
namespace Guard {

using Reporter = std::function<void(const QString& message)>;

// Replaces the reporter; an empty one restores the default (standard error).
void SetReporter(Reporter reporter);

// Hands the message of `error` to the reporter. Never throws.
void Report(std::exception_ptr error);

} // namespace Guard

// Runs a command and reports what it throws, so that no exception unwinds into Qt's frames.
// Every handler connected to a signal and every event override of ours goes through this.
template <class F> void RunGuarded(F&& command) {
    try {
        std::forward<F>(command)();
    } catch (...) {
        Guard::Report(std::current_exception());
    }
}
