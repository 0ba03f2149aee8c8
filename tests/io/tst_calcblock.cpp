#include "io/CalcBlock.h"

#include <QtTest>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

std::string encode(int rows, int cols, const std::vector<std::string>& cells,
                   std::string_view kinds = {}) {
    CalcBlock::Writer w(rows, cols, kinds);
    for (const auto& c : cells)
        w.Add(c);
    return w.Take();
}

} // namespace

class TestCalcBlock : public QObject {
    Q_OBJECT
private slots:
    void exactLayout() {
        QCOMPARE(encode(1, 2, {"P1", "a\tb"}), "PBCALC 1\n1 2\n2:P1\n3:a\tb\n"s);
        QCOMPARE(encode(0, 5, {}), "PBCALC 1\n0 5\n"s);
        const std::string typed = encode(1, 2, {"1.5000", "P1"}, "nt");
        QCOMPARE(typed, "PBCALC 2\n1 2\nnt\n6:1.5000\n2:P1\n"s);
        const auto table = CalcBlock::Read(typed);
        QVERIFY(table.NumberColumn(0) && !table.NumberColumn(1));
        QVERIFY(!CalcBlock::Read(encode(1, 1, {"1.5"})).NumberColumn(0));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, encode(1, 2, {"1", "2"}, "n"));
    }

    void roundTripKeepsEveryByte_data() {
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("number-like") << QByteArray("100.5000");
        QTest::newRow("leading zeros") << QByteArray("007");
        QTest::newRow("formula") << QByteArray("=1+1");
        QTest::newRow("apostrophe") << QByteArray("'quoted");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("korean") << QByteArray("측점 경계");
        QTest::newRow("tab") << QByteArray("a\tb");
        QTest::newRow("newline") << QByteArray("line1\nline2");
        QTest::newRow("crlf at end") << QByteArray("x\r\n");
        QTest::newRow("looks like framing") << QByteArray("3:abc\n4:");
        QTest::newRow("nul byte") << QByteArray("a\0b", 3);
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\x80");
        QTest::newRow("private use (kept cp949 byte)") << QByteArray("\xef\x9e\x80");
        QTest::newRow("long") << QByteArray(100000, 'z');
    }
    void roundTripKeepsEveryByte() {
        QFETCH(QByteArray, cell);
        const std::string text = cell.toStdString();
        // The cell sits between neighbours so that a wrong length shows in them too.
        const auto table = CalcBlock::Read(encode(3, 2, {"before", text, "", text, text, "after"}));
        QCOMPARE(table.rows, 3);
        QCOMPARE(table.cols, 2);
        QCOMPARE(table.Cell(0, 0), "before"s);
        QCOMPARE(table.Cell(0, 1), text);
        QCOMPARE(table.Cell(1, 0), ""s);
        QCOMPARE(table.Cell(1, 1), text);
        QCOMPARE(table.Cell(2, 0), text);
        QCOMPARE(table.Cell(2, 1), "after"s);
    }

    void emptyTables() {
        auto t = CalcBlock::Read(encode(0, 5, {}));
        QCOMPARE(t.rows, 0);
        QCOMPARE(t.cols, 5);
        QVERIFY(t.cells.empty());
        t = CalcBlock::Read(encode(4, 0, {}));
        QCOMPARE(t.rows, 4);
        QVERIFY(t.cells.empty());
    }

    void writerCountsCells() {
        CalcBlock::Writer few(2, 2);
        few.Add("a");
        QVERIFY_THROWS_EXCEPTION(std::logic_error, few.Take());
        CalcBlock::Writer many(1, 1);
        many.Add("a");
        many.Add("b");
        QVERIFY_THROWS_EXCEPTION(std::logic_error, many.Take());
    }

    void damagedBlocksAreRejected_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty input") << QByteArray("");
        QTest::newRow("other magic") << QByteArray("PBCALC 3\n0 5\n");
        QTest::newRow("kinds missing") << QByteArray("PBCALC 2\n1 1\n1:a\n");
        QTest::newRow("kinds too few") << QByteArray("PBCALC 2\n1 2\nn\n1:a\n1:b\n");
        QTest::newRow("unknown kind") << QByteArray("PBCALC 2\n1 1\nx\n1:a\n");
        QTest::newRow("no counts") << QByteArray("PBCALC 1\n");
        QTest::newRow("negative rows") << QByteArray("PBCALC 1\n-1 5\n");
        QTest::newRow("letters in count") << QByteArray("PBCALC 1\n1x 1\n1:a\n");
        QTest::newRow("cell missing") << QByteArray("PBCALC 1\n1 2\n1:a\n");
        QTest::newRow("cell cut short") << QByteArray("PBCALC 1\n1 1\n5:ab\n");
        QTest::newRow("length too small") << QByteArray("PBCALC 1\n1 1\n1:ab\n");
        QTest::newRow("no length") << QByteArray("PBCALC 1\n1 1\n:a\n");
        QTest::newRow("data after last cell") << QByteArray("PBCALC 1\n1 1\n1:a\nx");
        QTest::newRow("huge counts, little data")
            << QByteArray("PBCALC 1\n2000000000 2000000000\n0:\n");
        QTest::newRow("huge length") << QByteArray("PBCALC 1\n1 1\n999999999999:a\n");
    }
    void damagedBlocksAreRejected() {
        QFETCH(QByteArray, text);
        QVERIFY_THROWS_EXCEPTION(
            CalcBlock::EBlockFormat,
            CalcBlock::Read(std::string_view(text.constData(), std::size_t(text.size()))));
    }
};

QTEST_APPLESS_MAIN(TestCalcBlock)
#include "tst_calcblock.moc"
