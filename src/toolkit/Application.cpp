#include "toolkit/Application.h"

#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"

#include <QFont>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <clocale>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("PointBridge");
    // QApplication has called setlocale(LC_ALL, ""). Our numbers never go through the C
    // locale (see NumText), but other libraries' might: keep LC_NUMERIC at "C".
    std::setlocale(LC_NUMERIC, "C");
    Catalog::FollowEnvironmentLanguage();
    Fonts::InstallSubstitutions();
    setFont(QFont(Fonts::kUiFamily, 8));
    Guard::SetReporter([](const QString& message) { Dialogs::ShowError(message); });
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::Hide && receiver->isWidgetType())
        ReturnFocusAfter(static_cast<QWidget*>(receiver));
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return false;
}

// A window manager gives the focus back to the window a dialog was opened from; without one
// (a bare X server, some kiosk set-ups) nothing would, and the window's keys (Ctrl+S, Ctrl+Z)
// went nowhere after the first question. Done once the dialog is gone, and only when no
// other window has taken the focus meanwhile.
void TApplication::ReturnFocusAfter(QWidget* closing) {
    if (!closing->isWindow() || !closing->isModal() || !closing->parentWidget())
        return;
    QPointer<QWidget> owner = closing->parentWidget()->window();
    QTimer::singleShot(0, owner.data(), [owner] {
        if (owner && owner->isVisible() && !QApplication::activeWindow() && !QApplication::activeModalWidget())
            owner->activateWindow();
    });
}
