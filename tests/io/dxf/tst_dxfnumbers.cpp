#include "io/dxf/DXFNumbers.h"
#include "text/NumText.h"

#include "../../text/GermanLocale.h"

#include <QtTest>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

using namespace DxfNumbers;

namespace {

// Scientific form the slow way: every exact digit of the double (a double never has more
// than 767 significant digits), rounded half away from zero on the decimal string.
std::string referenceScientific(double v) {
    if (v == 0)
        return " 0.00000000000000E+0000";
    char buf[900];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(v),
                                 std::chars_format::scientific, 800);
    std::string all(buf, r.ptr);
    const size_t e = all.find('e');
    std::string digits = all.substr(0, 1) + all.substr(2, e - 2);
    int exp10 = std::stoi(all.substr(e + 1));
    std::string d15 = digits.substr(0, 15);
    if (digits[15] >= '5') {
        int i = 14;
        while (i >= 0 && d15[size_t(i)] == '9')
            d15[size_t(i--)] = '0';
        if (i < 0) {
            d15 = "1" + d15.substr(0, 14);
            ++exp10;
        } else {
            ++d15[size_t(i)];
        }
    }
    char exp[16];
    std::snprintf(exp, sizeof exp, "%c%04d", exp10 < 0 ? '-' : '+', std::abs(exp10));
    return std::string(v < 0 ? "-" : " ") + d15[0] + "." + d15.substr(1) + "E" + exp;
}

} // namespace

class TestDxfNumbers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { PB_VERIFY_EXPECTED_LOCALE(); }

    // Each value in both float forms, the listed examples first, then the cases where a
    // careless formatter goes wrong.
    void forms_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("scientific");
        QTest::addColumn<QString>("general");
        QTest::newRow("zero") << 0.0 << " 0.00000000000000E+0000" << "0";
        QTest::newRow("negative zero") << -0.0 << " 0.00000000000000E+0000" << "0";
        QTest::newRow("0.1") << 0.1 << " 1.00000000000000E-0001" << "0.1";
        QTest::newRow("-1234.5") << -1234.5 << "-1.23450000000000E+0003" << "-1234.5";
        QTest::newRow("352140.125") << 352140.125 << " 3.52140125000000E+0005" << "352140.125";
        QTest::newRow("35.12") << 35.12 << " 3.51200000000000E+0001" << "35.12";
        QTest::newRow("-2.5") << -2.5 << "-2.50000000000000E+0000" << "-2.5";
        QTest::newRow("12.5") << 12.5 << " 1.25000000000000E+0001" << "12.5";
        QTest::newRow("0.0001 stays plain") << 0.0001 << " 1.00000000000000E-0004" << "0.0001";
        QTest::newRow("0.00005 in exponent form")
            << 0.00005 << " 5.00000000000000E-0005" << "5E-5";
        QTest::newRow("-0.00005") << -0.00005 << "-5.00000000000000E-0005" << "-5E-5";
        QTest::newRow("2.5E15") << 2.5e15 << " 2.50000000000000E+0015" << "2.5E15";
        QTest::newRow("1E15 is the first exponent form")
            << 1e15 << " 1.00000000000000E+0015" << "1E15";
        QTest::newRow("below 1E15 stays plain")
            << 999999999999999.0 << " 9.99999999999999E+0014" << "999999999999999";
        QTest::newRow("rounds up into 1E15")
            << 999999999999999.9 << " 1.00000000000000E+0015" << "1E15";
        // Exact ties: half away from zero, where printf's half-to-even keeps the even digit.
        QTest::newRow("tie 123456789012344.5")
            << 123456789012344.5 << " 1.23456789012345E+0014" << "123456789012345";
        QTest::newRow("negative tie")
            << -123456789012344.5 << "-1.23456789012345E+0014" << "-123456789012345";
        QTest::newRow("tie with fraction")
            << 12345678901234.25 << " 1.23456789012343E+0013" << "12345678901234.3";
        // 17 digits read ...950 but the exact value lies below the halfway point.
        QTest::newRow("just below a tie")
            << 73835734.54606095 << " 7.38357345460609E+0007" << "73835734.5460609";
        QTest::newRow("just above a tie")
            << 1015454.169734145 << " 1.01545416973415E+0006" << "1015454.16973415";
        QTest::newRow("carry into the exponent")
            << 999.9999999999999 << " 1.00000000000000E+0003" << "1000";
        QTest::newRow("negative carry")
            << -99.99999999999999 << "-1.00000000000000E+0002" << "-100";
        QTest::newRow("smallest subnormal")
            << 5e-324 << " 4.94065645841247E-0324" << "4.94065645841247E-324";
        QTest::newRow("smallest normal")
            << 2.2250738585072014e-308 << " 2.22507385850720E-0308" << "2.2250738585072E-308";
        QTest::newRow("1e308") << 1e308 << " 1.00000000000000E+0308" << "1E308";
        QTest::newRow("largest double") << std::numeric_limits<double>::max()
                                        << " 1.79769313486232E+0308" << "1.79769313486232E308";
        QTest::newRow("big negative")
            << -1.2345678901234568e17 << "-1.23456789012346E+0017" << "-1.23456789012346E17";
        QTest::newRow("tiny plain") << 0.000123 << " 1.23000000000000E-0004" << "0.000123";
        QTest::newRow("0.3 from arithmetic")
            << 0.1 + 0.2 << " 3.00000000000000E-0001" << "0.3";
        QTest::newRow("16 digits round away")
            << 1.0000000000000004 << " 1.00000000000000E+0000" << "1";
    }
    void forms() {
        QFETCH(double, value);
        QFETCH(QString, scientific);
        QFETCH(QString, general);
        const std::string s = Scientific(value);
        QCOMPARE(QString::fromStdString(s), scientific);
        QCOMPARE(s.size(), size_t(23));
        QCOMPARE(QString::fromStdString(General(value)), general);
    }

    // The survey range: every value with up to four decimals comes out as the number the
    // user typed, and scientific reads back to the same double.
    void surveyValuesRoundTrip() {
        for (long long i = -2000000; i <= 2000000; i += 7919) {
            // Expected text from integers: 300000 + i / 10000.
            const long long units = 3000000000LL + i;
            std::string plain = std::to_string(units / 10000);
            std::string frac = std::to_string(10000 + units % 10000).substr(1);
            while (!frac.empty() && frac.back() == '0')
                frac.pop_back();
            if (!frac.empty())
                plain += "." + frac;
            const double v = static_cast<double>(i) / 10000.0 + 300000.0;
            QCOMPARE(QString::fromStdString(General(v)), QString::fromStdString(plain));
            QCOMPARE(StrToFloat(Scientific(v)), v);
        }
    }

    // Against a slow reference: all exact digits of the double, rounded by hand. Covers
    // short decimals (the fast path), 17-digit values, near-ties and subnormals.
    void agreesWithExactRounding() {
        std::mt19937_64 rng(2024);
        for (int i = 0; i < 60000; ++i) {
            double v = 0;
            const uint64_t bits = rng();
            switch (i % 4) {
            case 0: // any finite double
                std::memcpy(&v, &bits, sizeof v);
                if (!std::isfinite(v))
                    continue;
                break;
            case 1: // 16 digits ending in 5: on or near a tie
                v = static_cast<double>(1000000000000000ULL + bits % 9000000000000000ULL) / 10.0 *
                    std::pow(10.0, static_cast<int>(rng() % 30) - 20);
                break;
            case 2: // survey-like values with up to four decimals
                v = static_cast<double>(bits % 100000000000ULL) / 10000.0;
                break;
            default: { // subnormals
                const uint64_t sub = (bits & 0x000FFFFFFFFFFFFFULL) >> (rng() % 52);
                std::memcpy(&v, &sub, sizeof v);
            }
            }
            if (rng() & 1)
                v = -v;
            const std::string expect = referenceScientific(v);
            char hex[40];
            std::snprintf(hex, sizeof hex, "%a", v);
            QVERIFY2(Scientific(v) == expect, (std::string(hex) + ": " + expect).c_str());
        }
    }

    void integerAndFixed() {
        std::string out;
        AppendInteger(out, 0);
        out += '|';
        AppendInteger(out, 256);
        out += '|';
        AppendInteger(out, -17);
        out += '|';
        AppendFixed(out, 1234.5);
        out += '|';
        AppendFixed(out, -0.125);
        out += '|';
        AppendFixed(out, 0.0);
        QCOMPARE(QString::fromStdString(out), QString("0|256|-17|1234.5000|-0.1250|0.0000"));
    }

    void notFinite() {
        const double inf = std::numeric_limits<double>::infinity();
        QCOMPARE(QString::fromStdString(Scientific(inf)), QString("INF"));
        QCOMPARE(QString::fromStdString(General(-inf)), QString("-INF"));
        QCOMPARE(QString::fromStdString(General(std::nan(""))), QString("NAN"));
    }
};

QTEST_APPLESS_MAIN(TestDxfNumbers)
#include "tst_dxfnumbers.moc"
