// The detection cross-table: every instrument fixture is told by its signature, and none of
// the program's own point lines, however awkward, is taken for an instrument format.
#include "Fixtures.h"

#include "formats/FormatDetect.h"

#include <QtTest>

class TestDetect : public QObject {
    Q_OBJECT
private slots:
    void crossTable_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        for (const TFixture& f : kFixtures)
            QTest::newRow(f.Name) << QByteArray(f.Text) << int(f.Format);
        const int none = int(TInstrumentFormat::PointLines);
        const char* const ownLines[][2] = {
            {"five fields", "P1,100.5,200.25,10,a\r\nP2,1,2,3,b\r\n"},
            {"blanks for commas", "P1 100.5 200.25 10 a\n"},
            {"empty Z", "P2,1,2,,b\n"},
            {"four fields", "P3,1.5,-2,road\n"},
            {"quoted code", "Q,1,2,3,\"a b\"\n"},
            {"quoted id with comma", "\"a b,c\",1,2,3,d\n"},
            {"exponents", "E, +1E3, -2.5e-1, 1., k\n"},
            {"tabs", "T\t1\t2\t3\tt\n"},
            {"Korean UTF-8 code", "K,1,2,3,\xEC\xB8\xA1\xEC\xA0\x90\n"},
            {"Korean CP949 code", "K,1,2,3,\xC3\xF8\xC1\xA1\n"},
            {"empty first line ends the data", "\r\nP1,1,2,3,A\r\n"},
            {"empty file", ""},
            {"id looking like a label", "5=1,100,200,A\n6=2,100,200,A\n7=3,1,2,B\n"},
            {"id looking like a comment", "--1,100,200,0,A\n--2,1,2,3,B\n"},
            {"id looking like a record", "SS,1,2,3,A\nST,4,5,6,B\nCO,7,8,9,C\n"},
            {"id looking like a GSI word", "110001+00000001 100 200 0 A\n"},
            {"faulty own line", "P1,1\nP2,x,2,3,A\n"},
            {"header naming the columns", "NAME,X,Y,Z,CODE\r\nP1,100.5,200.25,10,A\r\n"},
            {"header word alone", "JOB 2024-05\nP1 1 2 3 A\n"},
        };
        for (const auto& own : ownLines)
            QTest::newRow(own[0]) << QByteArray(own[1]) << none;
    }
    void crossTable() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, format);
        const auto detected = DetectFormat(std::string_view(bytes.constData(), size_t(bytes.size())));
        QCOMPARE(int(detected.value_or(TInstrumentFormat::PointLines)), format);
    }
};

QTEST_GUILESS_MAIN(TestDetect)
#include "tst_detect.moc"
