#pragma once

#include <QApplication>
#include <QByteArray>
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
