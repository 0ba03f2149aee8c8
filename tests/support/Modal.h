#pragma once

#include <QApplication>
#include <QByteArray>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include <functional>

inline QByteArray currentTestName() {
    return QByteArray(QTest::currentTestFunction()) + "/" + QTest::currentDataTag();
}

// Runs `action` on the next modal dialog of type T, inside the dialog's own event loop while
// the code under test waits in exec(). It looks at every turn of the event loop until such a
// dialog shows, so whatever the code does before opening it does not matter. A look still
// pending when its test has ended is dropped (a test may check that no dialog opens).
template <class T> void whenModal(std::function<void(T*)> action) {
    auto* look = new QTimer(qApp);
    look->setInterval(5);
    QObject::connect(look, &QTimer::timeout, look, [look, action, test = currentTestName()] {
        const bool sameTest = currentTestName() == test;
        T* dialog = sameTest ? qobject_cast<T*>(QApplication::activeModalWidget()) : nullptr;
        if (sameTest && !dialog)
            return;
        look->stop();
        look->deleteLater();
        if (dialog)
            action(dialog);
    });
    look->start();
}

// Chooses the item captioned `caption` of the next popup menu with the keys, as a user would,
// and puts the captions it showed into `captions`. A menu without that item is closed.
inline void choosePopupItem(const QString& caption, QStringList* captions = nullptr) {
    auto* look = new QTimer(qApp);
    look->setInterval(5);
    QObject::connect(look, &QTimer::timeout, look, [look, caption, captions, test = currentTestName()] {
        const bool sameTest = currentTestName() == test;
        QMenu* menu = sameTest ? qobject_cast<QMenu*>(QApplication::activePopupWidget()) : nullptr;
        if (sameTest && !menu)
            return;
        look->stop();
        look->deleteLater();
        if (!menu)
            return;
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            if (captions && !action->isSeparator())
                captions->append(action->text());
            if (action->text() == caption)
                chosen = action;
        }
        menu->setActiveAction(chosen);
        QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
    });
    look->start();
}
