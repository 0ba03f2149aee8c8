// pointbridge-cli plot: what it writes and what it refuses.
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
};

QTEST_GUILESS_MAIN(TestCliPlot)
#include "tst_cli_plot.moc"
