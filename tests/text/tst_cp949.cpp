#include "text/Cp949.h"

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
        QVERIFY2(text.find(' ') == std::string::npos, "the blank after 0x81 would split a field");
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

    // Nothing turns into "?": a character CP949 lacks is an error that names it, a byte
    // of broken UTF-8 goes out as it is.
    void unencodableIsAnError() {
        QCOMPARE(Cp949::FromUtf8("a\xC3" "b"), std::string("a\xC3" "b"));
        for (const char* text : {"a\xF0\x9F\x98\x80" "b", "caf\xC3\xA9"}) {
            try {
                Cp949::FromUtf8(text);
                QFAIL(text);
            } catch (const Cp949::EUnencodable& e) {
                QVERIFY(e.Character() == "\xF0\x9F\x98\x80" || e.Character() == "\xC3\xA9");
                const Cp949::EUnencodable placed = e.At("2번째 줄", "저장하지 않았습니다.");
                QVERIFY2(QString::fromUtf8(placed.what()).startsWith("2번째 줄: CP949로 쓸 수 없는 문자 \""), placed.what());
            }
        }
    }

    // Valid UTF-8 that is CP949 Hangul read wrongly (창 C3 A2 is "â") versus real UTF-8.
    void choosesTheReadingThatMakesSense_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("cp949");
        QTest::newRow("cp949 창 책") << QByteArray("1,10,20,0,\xC3\xA2\r\n2,11,21,0,\xC3\xA5\r\n") << true;
        QTest::newRow("cp949 째") << QByteArray("P,1,2,3,\xC2\xB0") << true;
        QTest::newRow("utf-8 Korean") << QByteArray("측점,1,2,3,코드") << false;
        QTest::newRow("utf-8 Korean and é") << QByteArray("측점,1,2,3,caf\xC3\xA9") << false;
        QTest::newRow("not utf-8") << QByteArray("\xB0\xE6\xB0\xE8") << true;
        // 경계 in UTF-8 also reads as clean CP949 (寃쎄퀎), and each Latin letter as a syllable.
        QTest::newRow("utf-8 Korean and a few Latin letters")
            << QByteArray("1,1,1,1,경계\r\n2,1,1,1,Café\r\n3,1,1,1,é\r\n4,1,1,1,ü\r\n") << false;
        QTest::newRow("utf-8 Latin inside a word") << QByteArray("1,1,1,1,M\xC3\xBCller\r\n2,1,1,1,Caf\xC3\xA9") << false;
        // 道 and 山 are valid two-byte UTF-8 (Armenian, NKo); 靜가 is one four-byte character.
        QTest::newRow("cp949 hanja 道 山") << QByteArray("1,10,20,0,\xD4\xB3\r\n2,1,1,1,\xDF\xA3\r\n") << true;
        QTest::newRow("cp949 靜가") << QByteArray("1,10,20,0,\xF0\xA1\xB0\xA1\r\n") << true;
    }
    void choosesTheReadingThatMakesSense() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, cp949);
        QCOMPARE(Cp949::ReadsAsCp949(std::string_view(bytes.constData(), bytes.size())), cp949);
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
