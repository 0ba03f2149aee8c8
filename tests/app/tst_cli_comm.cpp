// pointbridge-cli receive and upload against the stand-in instrument.
#include "sim/InstrumentSim.h"
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <signal.h>

namespace {

std::unique_ptr<TInstrumentSim> fastInstrument() {
    TInstrumentSim::TSettings s;
    s.BaudRate = 0;
    s.ChunkMax = 16;
    s.OpenSettle = std::chrono::milliseconds(100);
    return std::make_unique<TInstrumentSim>(s);
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

} // namespace

class TestCliComm : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    void start(QProcess& p, const QStringList& args) {
        // Journals go to a folder of the test's own.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        p.setProcessEnvironment(env);
        p.start(PB_CLI_PROGRAM, args);
        QVERIFY(p.waitForStarted());
    }
    // Waits until the receive says it is ready for data and signals; what it said before.
    QByteArray waitReady(QProcess& p) {
        QByteArray said;
        p.setReadChannel(QProcess::StandardError);
        while (!said.contains("waiting for the instrument") && p.waitForReadyRead(10000))
            said += p.readAllStandardError();
        return said;
    }
    QByteArray newestJournal() {
        const QDir folder(m_dir.filePath("data/PointBridge/receive-journal"));
        const QStringList names = folder.entryList({"receive-*.dat"}, QDir::Files, QDir::Name);
        return names.isEmpty() ? QByteArray() : fileBytes(folder.filePath(names.last()));
    }

private slots:
    void receiveUntilTheLineIsIdle() {
        auto sim = fastInstrument();
        const QString out = m_dir.filePath("recv.txt");
        QProcess cli;
        start(cli, {"receive", "--port", QString::fromStdString(sim->PortPath()), "--idle", "0.4",
                    "--baud", "9600", out});
        QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
        // A NUL on the line is dropped, as the program's port drops it.
        const std::string sent = Cp949::FromUtf8("1,10.5,20,3,경계\r\n2,11,21") + std::string("\0", 1) +
                                 ",4,A\n3,1,2,3,B\r";
        sim->Send(sent);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 0);
        std::string expected = sent;
        expected.erase(expected.find('\0'), 1);
        QCOMPARE(fileBytes(out), QByteArray::fromStdString(expected));
        const QByteArray progress = cli.readAllStandardError();
        QVERIFY2(progress.contains("received 40 bytes, 3 lines"), progress.constData());
        QVERIFY(sim->WaitPortClosed(std::chrono::seconds(2)));
    }

    // OUT is replaced only when something came; Ctrl-C before the first byte leaves it as
    // it was, and so does a hang-up, which is said in words. No temporary file stays behind;
    // the journal holds what came.
    void interruptedReceive_data() {
        QTest::addColumn<int>("signal"); // 0: the line hangs up
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("outAfter");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message"); // {journal}: the journal's path
        QTest::newRow("Ctrl-C before the first byte")
            << int(SIGINT) << QByteArray() << QByteArray("old job\r\n") << 1 << "nothing received";
        QTest::newRow("Ctrl-C after data") << int(SIGINT) << QByteArray("1,2,3,4,A\r\n")
                                           << QByteArray("1,2,3,4,A\r\n") << 0 << "received 11 bytes, 1 lines into";
        QTest::newRow("SIGTERM after data") << int(SIGTERM) << QByteArray("1,2\r") << QByteArray("1,2\r") << 0
                                            << "received 4 bytes, 1 lines into";
        QTest::newRow("hang-up after data")
            << 0 << QByteArray("1,2,3,4,A\r\n2,5") << QByteArray("old job\r\n") << 1
            << "the line hung up after 14 bytes, 2 lines; {out} left as it was; all 14 bytes are kept in {journal}\n";
    }
    void interruptedReceive() {
        QFETCH(int, signal);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, outAfter);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        auto sim = fastInstrument();
        QTemporaryDir folder;
        const QString out = folder.filePath("job.txt");
        writeFile(out, "old job\r\n");
        QProcess cli;
        start(cli, {"receive", "--port", QString::fromStdString(sim->PortPath()), out});
        QByteArray said = waitReady(cli);
        if (!sent.isEmpty()) {
            sim->Send(sent.toStdString());
            QTRY_COMPARE(newestJournal(), sent);
            QCOMPARE(fileBytes(out), QByteArray("old job\r\n"));
        }
        if (signal)
            ::kill(static_cast<pid_t>(cli.processId()), signal);
        else
            sim.reset(); // the adapter is pulled
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), exitCode);
        QCOMPARE(fileBytes(out), outAfter);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"job.txt"});
        said += cli.readAllStandardError();
        const QDir journals(m_dir.filePath("data/PointBridge/receive-journal"));
        const QStringList names = journals.entryList({"receive-*.dat"}, QDir::Files, QDir::Name);
        const QString journal = names.isEmpty() ? QString() : journals.filePath(names.last());
        message.replace("{out}", out).replace("{journal}", journal);
        QVERIFY2(QString::fromUtf8(said).contains(message), said.constData());
    }

    void receiveFailures() {
        QProcess cli;
        start(cli, {"receive", "--port", "/dev/no-such-port", m_dir.filePath("x.txt")});
        QVERIFY(cli.waitForFinished(5000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("Unable to open com port (win error code: 2)"));
        QVERIFY(!QFile::exists(m_dir.filePath("x.txt")));

        const QList<QStringList> wrong = {{"receive", m_dir.filePath("x.txt")},
                                          {"receive", "--port", "/dev/null", "--idle", "soon", "x"},
                                          {"receive", "--port", "/dev/null", "--parity", "odds", "x"},
                                          {"upload", "--port", "/dev/null"}};
        for (const QStringList& args : wrong) {
            start(cli, args);
            QVERIFY(cli.waitForFinished(5000));
            QCOMPARE(cli.exitCode(), 2);
        }
    }

    void uploadSendsTheRowsAsTheTableHoldsThem() {
        auto sim = fastInstrument();
        const QString in = m_dir.filePath("job.txt");
        writeFile(in, Cp949::FromUtf8("1,100.5,200.25,10,pt\r\n2,5,6,7,경계\r\n"));
        QProcess cli;
        start(cli, {"upload", "--port", QString::fromStdString(sim->PortPath()), in});
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        const std::string expected =
            Cp949::FromUtf8("1,100.5,200.25,10,PT\n\r\r\n2,5,6,7,경계\n\r\r\n");
        QVERIFY(sim->WaitReceived(expected.size(), std::chrono::seconds(5)));
        QCOMPARE(sim->Received(), expected);
        QVERIFY(cli.readAllStandardError().contains("sent 2 rows, 40 bytes to " + sim->PortPath() + " ("));
    }

    void uploadOfAFaultyFileSendsNothing() {
        auto sim = fastInstrument();
        const QString in = m_dir.filePath("bad.txt");
        writeFile(in, "1,1,2,3,A\r\n2,x,2,3,A\r\n");
        QProcess cli;
        start(cli, {"upload", "--port", QString::fromStdString(sim->PortPath()), in});
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains(":2: 'x' is not a valid floating point value"));
        QCOMPARE(sim->Counts().Opens, 0);
    }
};

QTEST_GUILESS_MAIN(TestCliComm)
#include "tst_cli_comm.moc"
