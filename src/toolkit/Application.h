#pragma once

#include "toolkit/Guard.h"

#include <QApplication>

#include <exception>

// The application object. Anything that escapes an event handler or a command ends that
// command only: its message is shown in an error box and the program goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of the exception being handled in the error box.
    static void HandleException(std::exception_ptr error) { Guard::Report(error); }

private:
    static void ReturnFocusAfter(QWidget* closing);
};
