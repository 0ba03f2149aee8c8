#include "text/NumText.h"

#include "GermanLocale.h"

#include <QtTest>

#include <charconv>
#include <cmath>
#include <vector>

#include <clocale>
#include <cstdio>

class TestNumText : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PB_VERIFY_EXPECTED_LOCALE(); }

    void fixed4_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0.0000";
        QTest::newRow("plain") << 1234.5 << "1234.5000";
        QTest::newRow("negative") << -0.25 << "-0.2500";
        QTest::newRow("rounds half even on exact tie") << 0.00005 << "0.0001"; // 0.00005 is above the tie in binary
        QTest::newRow("big") << 123456789012.125 << "123456789012.1250";
        QTest::newRow("tiny negative is zero") << -0.00001 << "0.0000";
        QTest::newRow("negative zero") << -0.0 << "0.0000";
    }
    void fixed4() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FormatFixed4(value)), text);
    }

    // Half away from zero on the number as written, whatever its binary value.
    void rounded_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("tie written, below it in binary") << 201350.0005 << 3 << "201350.001";
        QTest::newRow("carry into the whole part") << 9.9995 << 3 << "10.000";
        QTest::newRow("negative tie") << -0.0005 << 3 << "-0.001";
        QTest::newRow("negative rounds to zero") << -0.0004 << 3 << "0.000";
        QTest::newRow("padded") << 1.5 << 3 << "1.500";
        QTest::newRow("no decimals") << 74083.5 << 0 << "74084";
        QTest::newRow("beyond the shortest digits") << 1e20 << 3 << "100000000000000000000.000";
    }
    void rounded() {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QTEST(QString::fromStdString(FormatRounded(value, decimals)), "text");
    }

    // The quick path for ordinary coordinates must give the same text as the exact general
    // formatting, ties included.
    void fixed4MatchesExactFormatting() {
        auto exact = [](double v) {
            char buf[400];
            std::string text(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 4).ptr);
            return text.find_first_not_of("-0.") == std::string::npos ? "0.0000" : text;
        };
        std::vector<double> values{1.03125, 1.09375, -2.15625, 0.5e-4, 1.5e-4, 2.5e-4, -0.0,
                                   99999999999999.98, 1e14, -1e14, 5e-324, 0.99995, 1.00005};
        unsigned long long seed = 42;
        for (int i = 0; i < 200000; ++i) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const int scale = static_cast<int>(seed >> 59) - 8;   // 1e-8 .. 1e23
            const double m = static_cast<double>(seed >> 11) / 9007199254740992.0;
            values.push_back((seed & 1 ? -m : m) * std::pow(10.0, scale));
            values.push_back(std::round(m * 1e8) / 32.0); // exact binary fractions: ties
        }
        for (double v : values)
            if (FormatFixed4(v) != exact(v))
                QFAIL(qPrintable(QString::fromStdString(exact(v) + " formatted as " + FormatFixed4(v))));
    }

    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<double>("value");
        QTest::newRow("int") << "100" << true << 100.0;
        QTest::newRow("decimal") << "100.5" << true << 100.5;
        QTest::newRow("blanks around") << "  -2.25 " << true << -2.25;
        QTest::newRow("plus") << "+7" << true << 7.0;
        QTest::newRow("exponent") << "1.5E3" << true << 1500.0;
        QTest::newRow("exponent sign") << "25e-1" << true << 2.5;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("comma") << "1,5" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("sign only") << "-" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("exponent without digits") << "1e" << false << 0.0;
        QTest::newRow("inner blank") << "1 5" << false << 0.0;
        QTest::newRow("overflow") << "1e400" << false << 0.0;
        QTest::newRow("text") << "abc" << false << 0.0;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(double, value);
        const std::string s = text.toStdString();
        double v = -1;
        QCOMPARE(TryStrToFloat(s, v), ok);
        if (ok) {
            QCOMPARE(v, value);
            QCOMPARE(StrToFloat(s), value);
        } else {
            try {
                StrToFloat(s);
                QFAIL("no error");
            } catch (const EConvertError& e) {
                QCOMPARE(QString::fromUtf8(e.what()),
                         "'" + text + "' is not a valid floating point value");
            }
        }
    }

    void roundTripsThroughText() {
        for (double v : {0.1, 123.4567, -98765.4321, 1e-4, 5e6}) {
            const std::string s = FormatFixed4(v);
            QCOMPARE(StrToFloat(s), StrToFloat(FormatFixed4(StrToFloat(s))));
            QVERIFY(std::abs(StrToFloat(s) - v) < 0.00006);
        }
    }
};

QTEST_APPLESS_MAIN(TestNumText)
#include "tst_numtext.moc"
