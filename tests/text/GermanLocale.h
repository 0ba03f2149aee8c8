#pragma once
// The number tests run a second time under a German locale (PB_EXPECT_LOCALE set). There
// the C library itself must write a decimal comma, or that run would prove nothing.

#include <QtTest>

#include <clocale>
#include <cstdio>

#define PB_VERIFY_EXPECTED_LOCALE()                                                        \
    do {                                                                                   \
        if (!qgetenv("PB_EXPECT_LOCALE").isEmpty()) {                                      \
            QVERIFY2(std::setlocale(LC_ALL, "") != nullptr,                                \
                     "locale not installed; ./test generates it");                         \
            char buf[32];                                                                  \
            std::snprintf(buf, sizeof buf, "%.1f", 1.5);                                   \
            QCOMPARE(QByteArray(buf), QByteArray("1,5"));                                  \
        }                                                                                  \
    } while (false)
