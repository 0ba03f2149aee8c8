#include "io/CalcBlock.h"
#include "io/SpreadsheetExport.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const char* const kNotFound =
    "LibreOffice Calc was not found; install the package libreoffice-calc";

// Writes an executable shell script standing in for the helper.
QString fakeHelper(const QTemporaryDir& dir, const QString& name, const QByteArray& body) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("#!/bin/sh\n" + body + "\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Runs one export to its end and returns the failure message, empty on success.
QString runExport(TSpreadsheetExport& exporter, std::string block) {
    QSignalSpy finished(&exporter, &TSpreadsheetExport::Finished);
    exporter.Start(std::move(block));
    if (finished.isEmpty() && !finished.wait(60000))
        return "no Finished signal";
    try {
        exporter.CheckResult();
    } catch (const ESpreadsheetExport& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

std::string smallBlock() {
    CalcBlock::Writer w(1, 5);
    for (const char* c : {"1", "100.5000", "200.2500", "10.0000", "경계"})
        w.Add(c);
    return w.Take();
}

} // namespace

class TestSpreadsheetExport : public QObject {
    Q_OBJECT
private slots:
    void errorTextsSayWhatToDo_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ok") << 0 << false << QString();
        QTest::newRow("office missing")
            << int(CalcBlock::kExitOfficeMissing) << false << QString(kNotFound);
        QTest::newRow("runtime libraries missing") << 127 << false << QString(kNotFound);
        QTest::newRow("no connection") << int(CalcBlock::kExitNoConnection) << false
                                       << "LibreOffice did not answer within 60 seconds";
        QTest::newRow("office closed") << int(CalcBlock::kExitOfficeGone) << false
                                       << "LibreOffice closed while the table was being copied";
        QTest::newRow("start failed")
            << int(CalcBlock::kExitStartFailed) << false << "LibreOffice could not be started.";
        QTest::newRow("office error") << int(CalcBlock::kExitOfficeError) << false
                                      << "LibreOffice Calc reported an error: the detail";
        QTest::newRow("bad block")
            << int(CalcBlock::kExitBadBlock) << false << "could not read the table";
        QTest::newRow("unknown code") << 42 << false << "failed (exit code 42)";
        QTest::newRow("crash") << 0 << true << "stopped unexpectedly";
    }
    void errorTextsSayWhatToDo() {
        QFETCH(int, exitCode);
        QFETCH(bool, crashed);
        QFETCH(QString, expected);
        const QString text = TSpreadsheetExport::ErrorText(
            exitCode, crashed ? QProcess::CrashExit : QProcess::NormalExit, "the detail\n");
        if (expected.isEmpty()) {
            QCOMPARE(text, QString());
            return;
        }
        QVERIFY2(text.contains(expected), qPrintable(text));
        QVERIFY2(text.contains("the detail"), qPrintable(text));
    }

    void missingHelperIsReportedAtOnce_data() {
        QTest::addColumn<bool>("exists");
        QTest::newRow("no such file") << false;
        QTest::newRow("not executable") << true;
    }
    void missingHelperIsReportedAtOnce() {
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString path = dir.filePath("pointbridge-calc");
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a program");
        }
        TSpreadsheetExport exporter;
        exporter.SetHelperPath(path);
        try {
            exporter.Start(smallBlock());
            QFAIL("Start did not throw");
        } catch (const ESpreadsheetExport& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("pointbridge-calc was not found"),
                     e.what());
        }
        QVERIFY(!exporter.Running());
    }

    // The whole block reaches the helper's standard input unchanged, also when it is much
    // larger than a pipe holds, and the event loop keeps running meanwhile.
    void blockReachesHelperWhileEventsRun() {
        QTemporaryDir dir;
        const QString out = dir.filePath("received");
        TSpreadsheetExport exporter;
        exporter.SetHelperPath(
            fakeHelper(dir, "helper", "sleep 0.3; cat > '" + out.toUtf8() + "'"));
        CalcBlock::Writer w(20000, 5);
        for (int i = 0; i < 100000; ++i)
            w.Add(i % 7 == 0 ? std::string("탭\t줄\n") : std::to_string(i));
        const std::string block = w.Take();

        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start(20);
        QCOMPARE(runExport(exporter, block), QString());
        QVERIFY2(ticks >= 5, "the event loop was blocked while the helper ran");

        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll().toStdString(), block);
    }

    void helperFailuresBecomeMessages_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("office went away")
            << QByteArray("cat >/dev/null; echo 'bridge disposed'; exit 5")
            << "LibreOffice closed while the table was being copied";
        QTest::newRow("office went away after some rows: those lines are no detail")
            << QByteArray("cat >/dev/null; echo 'rows copied: 20000'; echo 'bridge disposed'; exit 5")
            << "the new sheet may be incomplete.\n(bridge disposed)";
        QTest::newRow("crash") << QByteArray("cat >/dev/null; kill -SEGV $$")
                               << "stopped unexpectedly";
        QTest::newRow("exits without reading")
            << QByteArray("exit 4") << "LibreOffice did not answer within 60 seconds";
    }
    void helperFailuresBecomeMessages() {
        QFETCH(QByteArray, script);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        TSpreadsheetExport exporter;
        exporter.SetHelperPath(fakeHelper(dir, "helper", script));
        // Large enough that a helper that does not read makes the write fail.
        CalcBlock::Writer w(20000, 5);
        for (int i = 0; i < 100000; ++i)
            w.Add("100.0000");
        const QString text = runExport(exporter, w.Take());
        QVERIFY2(text.contains(expected), qPrintable(text));
        QVERIFY(!exporter.Running());
    }

    void hungHelperIsStoppedAndOneExportAtATime() {
        QTemporaryDir dir;
        TSpreadsheetExport exporter;
        exporter.SetHelperPath(fakeHelper(dir, "helper", "exec sleep 30"));
        exporter.SetTimeLimit(500);
        QSignalSpy finished(&exporter, &TSpreadsheetExport::Finished);
        exporter.Start(smallBlock());
        QVERIFY(exporter.Running());
        QVERIFY_THROWS_EXCEPTION(ESpreadsheetExport, exporter.Start(smallBlock()));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(finished.wait(10000));
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(finished.count(), 1);
        QVERIFY_THROWS_EXCEPTION(ESpreadsheetExport, exporter.CheckResult());
        try {
            exporter.CheckResult();
        } catch (const ESpreadsheetExport& e) {
            QVERIFY2(QString(e.what()).contains("did not finish within"), e.what());
        }
    }

    // The rows the helper says it has copied are passed on; Cancel stops it at once, and a
    // stopped export is no failure.
    void cancelStopsTheHelper() {
        QTemporaryDir dir;
        TSpreadsheetExport exporter;
        exporter.SetHelperPath(fakeHelper(dir, "helper",
                                          "cat >/dev/null; echo 'rows copied: 20000'; echo 'rows copied: 40000'; "
                                          "exec sleep 30"));
        QSignalSpy copied(&exporter, &TSpreadsheetExport::RowsCopied);
        QSignalSpy finished(&exporter, &TSpreadsheetExport::Finished);
        connect(&exporter, &TSpreadsheetExport::RowsCopied, &exporter, [&](int rows) {
            if (rows == 40000)
                exporter.Cancel();
        });
        exporter.Start(smallBlock());
        QVERIFY(finished.wait(10000));
        QCOMPARE(copied.count(), 2);
        QCOMPARE(copied.at(0).at(0).toInt(), 20000);
        QVERIFY(exporter.Cancelled());
        QVERIFY(!exporter.Running());
        exporter.CheckResult();
    }

    // The real helper with no soffice on PATH and no office listening on its pipe.
    void realHelperWithoutSofficeOnPath() {
        if (!QFileInfo(TSpreadsheetExport::DefaultHelperPath()).isExecutable())
            QSKIP("pointbridge-calc was not built (no LibreOffice SDK, package libreoffice-dev)");
        QTemporaryDir emptyBin;
        const QByteArray oldPath = qgetenv("PATH");
        const QByteArray oldPipe = qgetenv("PB_CALC_PIPE");
        qputenv("PATH", emptyBin.path().toUtf8());
        qputenv("PB_CALC_PIPE",
                "pb_unit_nobody_" + QByteArray::number(QCoreApplication::applicationPid()));
        TSpreadsheetExport exporter;
        const QString text = runExport(exporter, smallBlock());
        qputenv("PATH", oldPath);
        if (oldPipe.isEmpty())
            qunsetenv("PB_CALC_PIPE");
        else
            qputenv("PB_CALC_PIPE", oldPipe);
        QVERIFY2(text.startsWith(kNotFound), qPrintable(text));
        QVERIFY2(text.contains("soffice"), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestSpreadsheetExport)
#include "tst_spreadsheet_export.moc"
