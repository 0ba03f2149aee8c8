#pragma once

#include <QApplication>

#include <exception>
#include <utility>

// The application object. Anything that escapes an event handler or a command ends that
// command only: its message is shown in an error box and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of the exception being handled in the error box.
    static void HandleException(std::exception_ptr error);
};

// Runs a command and reports what it throws, so that no exception unwinds into Qt's frames.
// Every handler connected to a signal and every event override of ours goes through this.
template <class F> void RunGuarded(F&& command) {
    try {
        std::forward<F>(command)();
    } catch (...) {
        TApplication::HandleException(std::current_exception());
    }
}
