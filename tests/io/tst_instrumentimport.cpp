// Instrument data into table and project as point lines go there, and pointbridge-cli's
// way in: convert detects the format or takes --from, and stops at records left out.
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "model/NCADProject.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

struct Rows : TPointRowSink {
    QStringList rows;
    void AppendPointRow(const std::string (&cells)[5], TPoint3D*) override {
        QStringList c;
        for (const std::string& s : cells)
            c << QString::fromStdString(s);
        rows << c.join("|");
    }
};

void writeBytes(const QString& path, const QByteArray& bytes) {
    std::ofstream f(path.toStdString(), std::ios::binary);
    f.write(bytes.constData(), bytes.size());
}

QByteArray readBytes(const QString& path) {
    std::ifstream f(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return QByteArray::fromStdString(s.str());
}

// A station, a shot due north and a point with a lower-case Korean (CP949) code.
const char kRw5[] = "OC,OP1,N 200.000,E 100.000,EL10.000,--cp\r\n"
                    "SS,OP1,FP2,AZ0.0000,ZE90.0000,SD10.000,--fence\r\n"
                    "SP,PN3,N 1.5,E 2.25,EL3,--\xB0\xA1x\r\n"
                    "SS,OP1,FP4,AZ0.0000,ZEbad,SD10.000,--fence\r\n";

} // namespace

class TestInstrumentImport : public QObject {
    Q_OBJECT
private slots:
    void importsAsPointLinesDo() {
        TNCADProject project;
        Rows rows;
        const std::string_view bytes(kRw5);
        const TFormatChoice choice = ChooseFormat(bytes);
        QCOMPARE(int(choice.Format), int(TInstrumentFormat::Rw5));
        const TInstrumentImport r = ImportInstrumentData(bytes, choice, project, &rows);
        QCOMPARE(r.Points, 3);
        QCOMPARE(rows.rows, QStringList({"1|100.0000|200.0000|10.0000|CP", "2|100.0000|210.0000|10.0000|FENCE",
                                         QString::fromUtf8("3|2.2500|1.5000|3.0000|가X")}));
        QCOMPARE(project.Count(), 3);
        QCOMPARE(QString::fromStdString(project.GetItem(2)->Code()), QString::fromUtf8("가X"));
        const TPoint3D* p = project.GetItem(1)->GetPoint(0);
        QCOMPARE(p->X, 100.0);
        QCOMPARE(p->Y, 210.0);
        QCOMPARE(r.Problems.size(), size_t(1));
        QCOMPARE(LineMessageText(r.Problems[0]), std::string("line 4: 'bad' is not a valid angle"));
        QCOMPARE(int(ChooseFormat("P1,1,2,3,A\n").Format), int(TInstrumentFormat::PointLines));
        QCOMPARE(ChooseFormat(bytes, TFormatChoice{TInstrumentFormat::Delimited, "PNEZD"}).Order, std::string("PNEZD"));
    }

    void cliConvert_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("stderrText"); // IN stands for the input's path
        QTest::addColumn<QByteArray>("output");     // empty: OUT left as it was
        const QByteArray gsi = "110001+00000001 81..00+00001000 82..00+00002000 83..00+00000300 71....+000000ab \r\n";
        QTest::newRow("GSI detected") << QStringList() << gsi << 0 << QByteArray()
                                      << QByteArray("1, 1.0000, 2.0000, 0.3000, AB\r\n");
        QTest::newRow("point lines stay point lines") << QStringList() << QByteArray("P,1,2,3,a\r\n") << 0
                                                      << QByteArray() << QByteArray("P, 1.0000, 2.0000, 3.0000, A\r\n");
        QTest::newRow("delimited order chosen") << QStringList{"--from", "pnezd"} << QByteArray("P,1,2,3,a\r\n") << 0
                                                << QByteArray() << QByteArray("P, 2.0000, 1.0000, 3.0000, A\r\n");
        // X north: instrument data and delimited orders put northing into X, point lines stay.
        QTest::newRow("GSI, X north") << QStringList{"--x-axis", "north"} << gsi << 0 << QByteArray()
                                      << QByteArray("1, 2.0000, 1.0000, 0.3000, AB\r\n");
        QTest::newRow("delimited order, X north")
            << QStringList{"--from", "pnezd", "--x-axis", "north"} << QByteArray("P,1,2,3,a\r\n") << 0
            << QByteArray() << QByteArray("P, 1.0000, 2.0000, 3.0000, A\r\n");
        QTest::newRow("point lines, X north") << QStringList{"--x-axis", "north"} << QByteArray("P,1,2,3,a\r\n")
                                              << 0 << QByteArray() << QByteArray("P, 1.0000, 2.0000, 3.0000, A\r\n");
        QTest::newRow("record left out stops")
            << QStringList() << QByteArray(kRw5) << 1 << QByteArray("IN:4: 'bad' is not a valid angle\n") << QByteArray();
        QTest::newRow("keep going") << QStringList{"--keep-going"} << QByteArray(kRw5) << 0
                                    << QByteArray("IN:4: 'bad' is not a valid angle\n")
                                    << QByteArray("1, 100.0000, 200.0000, 10.0000, CP\r\n"
                                                  "2, 100.0000, 210.0000, 10.0000, FENCE\r\n"
                                                  "3, 2.2500, 1.5000, 3.0000, \xB0\xA1X\r\n");
        QTest::newRow("notes go to stderr")
            << QStringList{"--from", "GTS7"} << QByteArray("STN 9,0\nSS 3,0\nSD 90,90,5\n") << 0
            << QByteArray("IN:1: note: station '9': no station coordinates: local origin 0,0,0\n")
            << QByteArray("3, 5.0000, 0.0000, 0.0000,\r\n");
        QTest::newRow("a check that misses warns and goes on")
            << QStringList{"--from", "gts7"} << QByteArray("PT 5\nXYZ 100,210,10\nSTN 1,0\nXYZ 100,200,10\nBKB 5,0,0\nSS 5,0\nSD 0,90,10.1\n") << 0
            << QByteArray("IN:3: note: station '1': orientation 0d00'00\" from the backsight azimuth\n"
                          "IN:6: warning: check on 5: dHD +0.100 m, dH +0.000 m, dHz +0\": misses it by 0.100 m in "
                          "plan (more than 0.05 m)\n")
            << QByteArray("5, 100.0000, 210.0000, 10.0000,\r\n1, 100.0000, 200.0000, 10.0000, STN\r\n");
        QTest::newRow("wrong format finds nothing")
            << QStringList{"--from", "sdr"} << QByteArray("P,1,2,3,a\r\n") << 1
            << QByteArray("pointbridge-cli: IN: no records found as SDR\n") << QByteArray();
        QTest::newRow("empty file") << QStringList() << QByteArray() << 1
                                    << QByteArray("pointbridge-cli: IN: no records found as point lines\n")
                                    << QByteArray();
        QTest::newRow("every record left out, keep going")
            << QStringList{"--keep-going"} << QByteArray("SS,OP1,FP4,AZ0.0000,ZEbad,SD10.000,--x\r\n") << 1
            << QByteArray("IN:1: note: station '1': no station coordinates: local origin 0,0,0\n"
                          "IN:1: 'bad' is not a valid angle\n"
                          "pointbridge-cli: IN: none of the 1 records could be read as RW5\n")
            << QByteArray();
        QTest::newRow("unknown format") << QStringList{"--from", "xyz"} << gsi << 2
                                        << QByteArray("pointbridge-cli: unknown format 'xyz' (pointbridge-cli formats lists them)\n")
                                        << QByteArray();
    }
    void cliConvert() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, input);
        QTemporaryDir dir;
        const QString in = dir.filePath("in.dat"), out = dir.filePath("out.txt");
        writeBytes(in, input);
        writeBytes(out, "the job OUT held\r\n");
        QProcess p;
        p.start(PB_CLI_PATH, QStringList{"convert"} + options + QStringList{in, out});
        QVERIFY(p.waitForFinished(30000));
        QTEST(p.exitCode(), "exitCode");
        QFETCH(QByteArray, stderrText);
        QCOMPARE(p.readAllStandardError(), stderrText.replace("IN", in.toUtf8()));
        QFETCH(QByteArray, output);
        QCOMPARE(readBytes(out), output.isEmpty() ? QByteArray("the job OUT held\r\n") : output);
    }

    void cliFormats() {
        QProcess p;
        p.start(PB_CLI_PATH, {"formats"});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QStringList names;
        for (const QString& l : lines)
            names << l.section(' ', 0, 0);
        QCOMPARE(names, QStringList({"points", "gsi", "sdr", "nikon", "rw5", "are", "gts7", "pnezd", "penzd", "ORDER"}));
    }
};

QTEST_GUILESS_MAIN(TestInstrumentImport)
#include "tst_instrumentimport.moc"
