#include "toolkit/Application.h"

#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"

#include <QFont>

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
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return false;
}
