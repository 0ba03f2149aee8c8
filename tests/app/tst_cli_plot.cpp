// pointbridge-cli plot and report: what they write and what they refuse.
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestCliPlot : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void plot_data() {
        QTest::addColumn<QByteArray>("input"); // empty: the sample job
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("mediaBox"); // points; empty: no file written
        QTest::newRow("sample, 1:500 on A3 landscape")
            << QByteArray() << QStringList{"--scale", "500", "--paper", "a3", "--landscape"} << 0
            << "40 points at 1:500 on A3 landscape" << QByteArray("[0 0 1191.000000 842.000000]");
        QTest::newRow("sample, the largest scale that fits A4")
            << QByteArray() << QStringList{} << 0 << "at 1:250 on A4 portrait"
            << QByteArray("[0 0 595.000000 842.000000]");
        QTest::newRow("too large a scale")
            << QByteArray() << QStringList{"--scale", "100"} << 1
            << "does not fit A4 portrait at 1:100; at 1:250 it fits" << QByteArray();
        QTest::newRow("no standard scale fits")
            << QByteArray("1,0,0,0,A\n2,10000,0,0,A\n") << QStringList{"--paper", "A3"} << 1
            << "up to 1:5000; it needs 1:38611 or smaller" << QByteArray();
        QTest::newRow("faulty line") << QByteArray("1,0,0,0,A\n2,5\n") << QStringList{} << 1
                                     << ":2: List index out of bounds (2)" << QByteArray();
        QTest::newRow("scale out of range")
            << QByteArray() << QStringList{"--scale", "50"} << 2 << "--scale wants" << QByteArray();
        // A label draws a bounded part of a code of any length.
        QByteArray longCodes;
        unsigned seed = 7;
        QByteArray code;
        for (int i = 0; i < 1000000; ++i)
            code += char('A' + (seed = seed * 1103515245u + 12345u) % 26);
        for (int i = 1; i <= 3; ++i)
            longCodes += QByteArray::number(i) + "," + QByteArray::number(i * 10) + ",0,0," + code + "\n";
        QTest::newRow("codes of 1 MB") << longCodes << QStringList{} << 0 << "3 points at 1:"
                                         << QByteArray("[0 0 595.000000 842.000000]");
        // More points than the PDF writer is given at once still make one page.
        QByteArray many;
        for (int i = 0; i < 20500; ++i)
            many += QByteArray::number(i) + "," + QByteArray::number(i % 143) + "," +
                    QByteArray::number(i / 143) + ",0,P" + QByteArray::number(i % 3) + "\n";
        QTest::newRow("20,500 points") << many << QStringList{"--scale", "1000"} << 0
                                       << "20500 points at 1:1000" << QByteArray("[0 0 595.000000 842.000000]");
    }
    void plot() {
        QFETCH(QByteArray, input);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QFETCH(QByteArray, mediaBox);
        QString in = PB_SAMPLE_JOB;
        if (!input.isEmpty()) {
            in = m_dir.filePath("job.txt");
            QFile f(in);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(input);
        }
        const QString out = m_dir.filePath(QString("%1.pdf").arg(QTest::currentDataTag()));
        QProcess cli;
        cli.start(PB_CLI_PROGRAM, QStringList{"plot", in, out} + options);
        QVERIFY(cli.waitForFinished(30000));
        const QString err = QString::fromUtf8(cli.readAllStandardError());
        QCOMPARE(cli.exitCode(), exitCode);
        QVERIFY2(err.contains(message), qPrintable(err));
        QFile pdf(out);
        QCOMPARE(pdf.exists(), !mediaBox.isEmpty());
        if (!mediaBox.isEmpty()) {
            QVERIFY(pdf.open(QIODevice::ReadOnly));
            const QByteArray bytes = pdf.readAll();
            QVERIFY(bytes.startsWith("%PDF-"));
            QVERIFY(bytes.contains("/MediaBox " + mediaBox));
            QVERIFY2(bytes.size() < (1 << 20), qPrintable(QString::number(bytes.size())));
            // An independent reader finds one page.
            const QString pdfinfo = QStandardPaths::findExecutable("pdfinfo");
            if (!pdfinfo.isEmpty()) {
                QProcess info;
                info.start(pdfinfo, {out});
                QVERIFY(info.waitForFinished(30000));
                const QByteArray said = info.readAllStandardOutput() + info.readAllStandardError();
                QVERIFY2(info.exitCode() == 0 && said.contains("Pages:           1\n"), said.constData());
            }
        }
    }

    // The printed sheets as a reader of the PDF finds them: every coordinate as the sheet's
    // table shows it, rounded half away from zero on the figure as written.
    void reports_data() {
        QTest::addColumn<QByteArray>("job"); // written to $DIR/sheet.txt
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("shown"); // words of the sheet, or runs of them in order
        QTest::addColumn<int>("pages");         // 0: no file

        // 100 points run to three pages, the header on each.
        QByteArray many = "B1,201350.0005,-448720.12345,7,경계\n";
        QStringList manyShown{"B1", "201350.001", "-448720.123", "7.000", "경계"};
        for (int i = 2; i <= 100; ++i) {
            const QString x = QString::number(200000 + 37 * i) + "." + QString::number(i * 7 % 1000).rightJustified(3, '0');
            const QString y = QString::number(450000 + 53 * i) + ".25";
            many += QString("P%1,%2,%3,%4.5,C%5\n").arg(i).arg(x, y).arg(i).arg(i % 4).toUtf8();
            manyShown << QString("P%1").arg(i) << x << y + "0" << QString("%1.500").arg(i);
        }
        QTest::newRow("points") << many << "report points $DIR/sheet.txt $DIR/out.pdf" << 0 << manyShown << 3;

        const QByteArray square = "B1,201350.0005,448720.1234,35.12,BND\nB2,201420.25,448722.5,36,BND\n"
                                  "B3,201418.75,448790.125,36.5,BND\nB4,201352.5,448788.0,35.8,BND\n"
                                  "B1,201350.0005,448720.1234,35.12,BND\nT1,201400,448750,30,TREE\n";
        QTest::newRow("area") << square << "report area --code bnd $DIR/sheet.txt $DIR/out.pdf" << 0
                              << QStringList{"201350.001", "448720.123", "201420.250", "448722.500", "201418.750",
                                             "448790.125", "201352.500", "448788.000", "-65.500", "-13188425.033",
                                             "9245.701", "4622.850", "1398.412"}
                              << 1;
        QTest::newRow("area of one point")
            << square << "report area --code TREE $DIR/sheet.txt $DIR/out.pdf" << 1 << QStringList{} << 0;
        QTest::newRow("traverse")
            << QByteArray() << "report traverse $LOOP $DIR/out.pdf" << 0
            << QStringList{"201350.000", "448720.000", "35.120", "201468.213", "448781.560", "37.884",
                           "201577.901", "448702.346", "41.207", "201541.120", "448566.796", "38.015",
                           "201402.659", "448590.131", "34.473", "0.0093", "689.587", "1/74084"}
            << 1;
        // X north: each station's northing in the X column, its easting in the Y column.
        QTest::newRow("traverse, X north")
            << QByteArray() << "report traverse --x-axis north $LOOP $DIR/out.pdf" << 0
            << QStringList{"448720.000 201350.000 35.120", "448781.560 201468.213 37.884", "1/74084"} << 1;
        QTest::newRow("traverse over its own file")
            << QByteArray() << "report traverse $LOOP $DIR/sheet.txt" << 2 << QStringList{} << 0;
    }
    void reports() {
        QFETCH(QByteArray, job);
        QFETCH(QString, args);
        QFETCH(QStringList, shown);
        QFETCH(int, pages);
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QFile::remove(m_dir.filePath("out.pdf"));
        QFile f(m_dir.filePath("sheet.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(job);
        f.close();
        QStringList words = args.split(' ');
        for (QString& w : words) {
            w.replace("$LOOP", PB_SURVEY_DATA "/loop-traverse.gsi");
            w.replace("$DIR", m_dir.path());
        }
        QProcess cli;
        cli.start(PB_CLI_PROGRAM, words);
        QVERIFY(cli.waitForFinished(30000));
        QTEST(cli.exitCode(), "status");
        QCOMPARE(QFile::exists(m_dir.filePath("out.pdf")), pages > 0);
        if (pages == 0)
            return;
        QProcess text;
        text.start(pdftotext, {m_dir.filePath("out.pdf"), "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString sheet = QString::fromUtf8(text.readAllStandardOutput());
        QCOMPARE(sheet.count('\f'), pages);
        const QString found = " " + sheet.split(QRegularExpression("\\s+")).join(' ') + " ";
        for (const QString& word : shown)
            QVERIFY2(found.contains(" " + word + " "), qPrintable(word));
        // The reader may or may not keep the blanks of "3 / 3".
        QCOMPARE(QString(sheet).remove(' ').count(QString("%1/%2").arg(pages).arg(pages)), 1);
    }
};

QTEST_GUILESS_MAIN(TestCliPlot)
#include "tst_cli_plot.moc"
