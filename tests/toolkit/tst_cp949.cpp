#include "toolkit/Cp949.h"

#include <QtTest>

namespace {
// 경계 in CP949.
const std::string kGyeonggyeCp949 = "\xB0\xE6\xB0\xE8";
const std::string kGyeonggyeUtf8 = "경계";
} // namespace

class TestCp949 : public QObject {
    Q_OBJECT
private slots:
    void decodesAndEncodesKorean() {
        QCOMPARE(Cp949::ToUtf8(kGyeonggyeCp949), kGyeonggyeUtf8);
        QCOMPARE(Cp949::FromUtf8(kGyeonggyeUtf8), kGyeonggyeCp949);
        QCOMPARE(Cp949::ToUtf8("P1, 1.0, " + kGyeonggyeCp949 + "\r\n"),
                 "P1, 1.0, " + kGyeonggyeUtf8 + "\r\n");
    }

    // 똠 and 햏 are in the extended (UHC) range that the EUC-KR subset lacks.
    void extendedHangul() {
        const std::string utf8 = "똠햏";
        const std::string bytes = Cp949::FromUtf8(utf8);
        QCOMPARE(bytes.size(), size_t(4));
        QCOMPARE(Cp949::ToUtf8(bytes), utf8);
    }

    void invalidBytesSurviveARoundTrip() {
        // A lone lead byte, a lead byte with a bad trail, 0xFF and a NUL.
        const std::string raw = std::string("A\x81 B\xFF") + '\0' + "C\xB0";
        const std::string text = Cp949::ToUtf8(raw);
        QVERIFY(Cp949::IsValidUtf8(text));
        QCOMPARE(Cp949::FromUtf8(text), raw);
    }

    void everyByteSurvives() {
        std::string all;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; j += 7) {
                all += static_cast<char>(i);
                all += static_cast<char>(j);
            }
        QCOMPARE(Cp949::FromUtf8(Cp949::ToUtf8(all)), all);
    }

    void unencodableBecomesQuestionMark() {
        QCOMPARE(Cp949::FromUtf8("a\xF0\x9F\x98\x80" "b"), std::string("a?b"));
        QCOMPARE(Cp949::FromUtf8("a\xC3" "b"), std::string("a?b")); // broken UTF-8
    }

    void decoderJoinsCharactersSplitAcrossPieces() {
        Cp949::Decoder d;
        std::string out = d.Feed("x" + kGyeonggyeCp949.substr(0, 1));
        out += d.Feed(kGyeonggyeCp949.substr(1, 2));
        out += d.Feed(kGyeonggyeCp949.substr(3));
        out += d.Finish();
        QCOMPARE(out, "x" + kGyeonggyeUtf8);
        Cp949::Decoder tail;
        std::string t = tail.Feed("\xB0");
        t += tail.Finish();
        QCOMPARE(Cp949::FromUtf8(t), std::string("\xB0"));
    }

    void utf8Validation() {
        QVERIFY(Cp949::IsValidUtf8("plain"));
        QVERIFY(Cp949::IsValidUtf8(kGyeonggyeUtf8));
        QVERIFY(!Cp949::IsValidUtf8(kGyeonggyeCp949));
        QVERIFY(!Cp949::IsValidUtf8("\xC0\x80"));     // overlong NUL
        QVERIFY(!Cp949::IsValidUtf8("\xED\xA0\x80")); // surrogate
        QVERIFY(Cp949::IsAscii("abc"));
        QVERIFY(!Cp949::IsAscii(kGyeonggyeUtf8));
    }
};

QTEST_APPLESS_MAIN(TestCp949)
#include "tst_cp949.moc"
