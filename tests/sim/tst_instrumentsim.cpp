#include "sim/InstrumentSim.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

namespace {

// The program's side of the line, with nothing but termios: raw 8-bit, no flow control.
class TSlave {
public:
    explicit TSlave(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_fd < 0)
            return;
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~TSlave() { Close(); }
    bool IsOpen() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Reads until `count` bytes have come or `timeout` passed; returns what came.
    std::string Read(std::size_t count, std::chrono::milliseconds timeout) {
        std::string got;
        const auto deadline = TClock::now() + timeout;
        while (got.size() < count) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
            if (left.count() <= 0)
                break;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char buf[4096];
            const ssize_t n = ::read(m_fd, buf, std::min(sizeof buf, count - got.size()));
            if (n > 0)
                got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    // Everything that arrives within `span`.
    std::string ReadFor(std::chrono::milliseconds span) { return Read(SIZE_MAX, span); }

    void Write(std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                ::usleep(1000);
        }
    }

private:
    int m_fd = -1;
};

TInstrumentSim::TSettings fastLine() {
    TInstrumentSim::TSettings s;
    s.BaudRate = 0;
    s.OpenSettle = 0ms;
    return s;
}

std::string readFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Three points with Korean codes in CP949 ("경계", "도로") and the file's mixed line ends.
const std::string Cp949Job = "1, 100.0000, 200.0000, 10.0000, \xB0\xE6\xB0\xE8\r\n"
                             "2,101.5,201.5,11,\xB5\xB5\xB7\xCE\n"
                             "3,102,202,12,PT";

std::string allByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    return bytes;
}

} // namespace

class TestInstrumentSim : public QObject {
    Q_OBJECT

private slots:
    void sendsExactBytesWithEachLineEnd_data();
    void sendsExactBytesWithEachLineEnd();
    void pacesAtTheBitRate_data();
    void pacesAtTheBitRate();
    void xoffPausesAndXonResumes();
    void recordsEveryByteExactly();
    void chunksAreSeededAndSplitLines();
    void holdsDataUntilThePortIsOpen();
    void programClosingMidSendDropsTheRest();
    void programRunsAsTheInstrument();
    void programRejectsBadOptions();
};

void TestInstrumentSim::sendsExactBytesWithEachLineEnd_data() {
    QTest::addColumn<int>("lineEnd");
    QTest::addColumn<QByteArray>("expected");
    using E = TInstrumentSim::TLineEnd;
    QTest::newRow("crlf") << int(E::CrLf)
                          << QByteArray("1, 100.0000, 200.0000, 10.0000, \xB0\xE6\xB0\xE8\r\n"
                                        "2,101.5,201.5,11,\xB5\xB5\xB7\xCE\r\n"
                                        "3,102,202,12,PT\r\n");
    QTest::newRow("lf") << int(E::Lf)
                        << QByteArray("1, 100.0000, 200.0000, 10.0000, \xB0\xE6\xB0\xE8\n"
                                      "2,101.5,201.5,11,\xB5\xB5\xB7\xCE\n"
                                      "3,102,202,12,PT\n");
    QTest::newRow("cr") << int(E::Cr)
                        << QByteArray("1, 100.0000, 200.0000, 10.0000, \xB0\xE6\xB0\xE8\r"
                                      "2,101.5,201.5,11,\xB5\xB5\xB7\xCE\r"
                                      "3,102,202,12,PT\r");
    QTest::newRow("keep") << int(E::Keep) << QByteArray::fromStdString(Cp949Job);
}

void TestInstrumentSim::sendsExactBytesWithEachLineEnd() {
    QFETCH(int, lineEnd);
    QFETCH(QByteArray, expected);
    TInstrumentSim sim(fastLine());
    TSlave slave(sim.PortPath());
    QVERIFY(slave.IsOpen());
    QVERIFY(sim.WaitPortOpen(2s));

    sim.Send(TInstrumentSim::WithLineEnds(Cp949Job, TInstrumentSim::TLineEnd(lineEnd)));
    const std::string got = slave.Read(expected.size() + 1, 2s);
    QCOMPARE(QByteArray::fromStdString(got), expected);
    QVERIFY(sim.WaitSent(1s));
    QCOMPARE(sim.Counts().Sent, std::size_t(expected.size()));

    // Blank lines stay, the upload format's LF CR CR LF reads as three line ends.
    QCOMPARE(TInstrumentSim::WithLineEnds("a\n\nb\n\r\r\n", TInstrumentSim::TLineEnd::CrLf),
             std::string("a\r\n\r\nb\r\n\r\n\r\n"));
    QCOMPARE(TInstrumentSim::WithLineEnds("", TInstrumentSim::TLineEnd::CrLf), std::string());
}

void TestInstrumentSim::pacesAtTheBitRate_data() {
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("bytes");
    QTest::newRow("4800 bit/s, 480 bytes") << 4800 << 480;
    QTest::newRow("19200 bit/s, 1920 bytes") << 19200 << 1920;
}

void TestInstrumentSim::pacesAtTheBitRate() {
    QFETCH(int, baud);
    QFETCH(int, bytes);
    auto settings = fastLine();
    settings.BaudRate = baud;
    TInstrumentSim sim(settings);
    TSlave slave(sim.PortPath());
    QVERIFY(sim.WaitPortOpen(2s));

    const std::string data(std::size_t(bytes), 'x');
    const auto start = TClock::now();
    sim.Send(data);
    QCOMPARE(slave.Read(data.size(), 10s), data);
    const std::chrono::duration<double> elapsed = TClock::now() - start;
    // 10 bit-times per byte: one second for either row. Only a lower bound: a loaded
    // machine may be slower, never faster than the wire.
    QVERIFY2(elapsed.count() >= 0.98, qPrintable(QString::number(elapsed.count())));
}

void TestInstrumentSim::xoffPausesAndXonResumes() {
    auto settings = fastLine();
    settings.BaudRate = 9600;
    settings.ChunkMin = 4;
    settings.ChunkMax = 8;
    TInstrumentSim sim(settings);
    TSlave slave(sim.PortPath());
    QVERIFY(sim.WaitPortOpen(2s));

    std::string data;
    for (int i = 0; data.size() < 1000; ++i)
        data += std::to_string(i) + ",1.0,2.0,3.0,PT\r\n";
    sim.Send(data);
    std::string got = slave.Read(100, 5s);
    QCOMPARE(got.size(), std::size_t(100));

    slave.Write("\x13");
    QTRY_VERIFY_WITH_TIMEOUT(sim.Paused(), 2000);
    // A chunk written before the XOFF was seen is on its way; after it, nothing.
    const std::size_t sentAtPause = sim.Counts().Sent;
    got += slave.Read(sentAtPause - got.size(), 2s);
    QCOMPARE(got.size(), sentAtPause);
    QCOMPARE(slave.ReadFor(500ms), std::string()); // 480 bytes' time at this rate
    QCOMPARE(sim.Counts().Sent, sentAtPause);
    QVERIFY(sentAtPause < data.size());

    slave.Write("\x11");
    got += slave.Read(data.size() - got.size(), 5s);
    QCOMPARE(got, data);
    const auto counts = sim.Counts();
    QCOMPARE(counts.Pauses, std::size_t(1));
    QCOMPARE(sim.Received(), std::string("\x13\x11")); // recorded as well as obeyed
    QVERIFY(!sim.Paused());

    // Flow-control bytes inside the data are never sent as data.
    sim.Send("a\x11"
             "b\x13"
             "c");
    QCOMPARE(slave.Read(3, 2s), std::string("abc"));
    QCOMPARE(slave.ReadFor(100ms), std::string());
    QCOMPARE(sim.Counts().Withheld, std::size_t(2));
    QVERIFY(!sim.Paused());
}

void TestInstrumentSim::recordsEveryByteExactly() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto settings = fastLine();
    settings.RecordFile = dir.filePath("upload.bin").toStdString();
    TInstrumentSim sim(settings);

    // An upload: CP949 codes, rows ending LF CR CR LF, then every byte value; the
    // program closes the port right after writing, as an upload does.
    const std::string upload = "1,100.5,200.25,10,\xB0\xE6\xB0\xE8\n\r\r\n"
                               "2,,,,\n\r\r\n" +
                               allByteValues();
    {
        TSlave slave(sim.PortPath());
        slave.Write(upload);
    }
    QVERIFY(sim.WaitReceived(upload.size(), 3s));
    QVERIFY(sim.WaitPortClosed(2s));
    QCOMPARE(sim.Received(), upload);
    QCOMPARE(readFile(dir.filePath("upload.bin")), upload); // written as it arrives
    QCOMPARE(sim.RecordError(), std::string());
    const auto counts = sim.Counts();
    QCOMPARE(counts.Received, upload.size());
    QCOMPARE(counts.Opens, 1);
    QCOMPARE(counts.Closes, 1);

    // A second session adds to the same record.
    {
        TSlave slave(sim.PortPath());
        QVERIFY(sim.WaitPortOpen(2s));
        slave.Write("3,1,2,3,\n\r\r\n");
    }
    QVERIFY(sim.WaitReceived(upload.size() + 12, 3s));
    sim.Stop();
    QCOMPARE(readFile(dir.filePath("upload.bin")), upload + "3,1,2,3,\n\r\r\n");

    settings.RecordFile = dir.filePath("no/such/folder/x.bin").toStdString();
    try {
        TInstrumentSim broken(settings);
        QFAIL("a record file that cannot be made must fail the start");
    } catch (const std::system_error& e) {
        QVERIFY(std::string(e.what()).find("no/such/folder/x.bin") != std::string::npos);
    }
}

void TestInstrumentSim::chunksAreSeededAndSplitLines() {
    const auto a = TInstrumentSim::ChunkSizes(1000, 3, 9, 42);
    QCOMPARE(TInstrumentSim::ChunkSizes(1000, 3, 9, 42), a);
    QVERIFY(TInstrumentSim::ChunkSizes(1000, 3, 9, 43) != a);
    std::size_t sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        QVERIFY(a[i] <= 9);
        QVERIFY(a[i] >= 3 || i + 1 == a.size());
        sum += a[i];
    }
    QCOMPARE(sum, std::size_t(1000));

    auto settings = fastLine();
    settings.ChunkMin = 3;
    settings.ChunkMax = 9;
    settings.Seed = 42;
    TInstrumentSim sim(settings);
    TSlave slave(sim.PortPath());
    QVERIFY(sim.WaitPortOpen(2s));
    std::string data;
    while (data.size() < 1000)
        data += "12,201349.9930,448719.9860,34.5764,PT\r\n";
    data.resize(1000);
    sim.Send(data);
    QCOMPARE(slave.Read(data.size(), 5s), data);
    QVERIFY(sim.WaitSent(1s));
    QCOMPARE(sim.SentChunks(), a);

    // Chunk boundaries fall inside lines and inside numbers.
    std::size_t at = 0;
    int insideNumber = 0;
    for (std::size_t n : a) {
        at += n;
        if (at < data.size() && std::isdigit(static_cast<unsigned char>(data[at - 1])) &&
            std::isdigit(static_cast<unsigned char>(data[at])))
            ++insideNumber;
    }
    QVERIFY(insideNumber > 10);
}

void TestInstrumentSim::holdsDataUntilThePortIsOpen() {
    auto settings = fastLine();
    settings.OpenSettle = 300ms;
    TInstrumentSim sim(settings);
    QVERIFY(!sim.PortOpen());
    sim.Send("1,2,3,4,A\r\n");
    QTest::qWait(200);
    QCOMPARE(sim.Counts().Sent, std::size_t(0));
    QVERIFY(sim.SendPending());

    const auto opened = TClock::now();
    TSlave slave(sim.PortPath());
    QCOMPARE(slave.Read(11, 3s), std::string("1,2,3,4,A\r\n"));
    // The settle time lets the program finish setting up (and flushing) first.
    QVERIFY(TClock::now() - opened >= 300ms);
    QVERIFY(sim.WaitSent(1s));
}

void TestInstrumentSim::programClosingMidSendDropsTheRest() {
    auto settings = fastLine();
    settings.BaudRate = 4800;
    TInstrumentSim sim(settings);
    const std::string data(1000, 'p');
    std::string got;
    {
        TSlave slave(sim.PortPath());
        QVERIFY(sim.WaitPortOpen(2s));
        sim.Send(data);
        got = slave.Read(50, 3s);
        QCOMPARE(got.size(), std::size_t(50));
    }
    QVERIFY(sim.WaitPortClosed(2s));
    QVERIFY(sim.WaitSent(1s)); // nothing left queued
    auto counts = sim.Counts();
    QVERIFY(counts.Discarded > 0);
    QCOMPARE(counts.Sent + counts.Discarded, data.size());
    QCOMPARE(counts.Closes, 1);

    // The next session (say, an upload) does not get the rest of the old transfer.
    TSlave again(sim.PortPath());
    QVERIFY(sim.WaitPortOpen(2s));
    QCOMPARE(again.ReadFor(300ms), std::string());
    QCOMPARE(sim.Counts().Opens, 2);
}

void TestInstrumentSim::programRunsAsTheInstrument() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString job = dir.filePath("job.txt");
    {
        std::ofstream out(job.toStdString(), std::ios::binary);
        out << Cp949Job;
    }
    const QString record = dir.filePath("rec.bin");
    const QString link = dir.filePath("port");

    QProcess sim;
    sim.start(PB_SIM_PROGRAM,
              {"--send", job, "--eol", "cr", "--baud", "0", "--chunk", "2-5", "--seed", "7",
               "--delay", "0.1", "--record", record, "--link", link, "--exit-on-close"});
    QVERIFY(sim.waitForStarted(5000));
    QVERIFY(sim.waitForReadyRead(5000));
    const QByteArray portLine = sim.readLine().trimmed();
    QVERIFY2(portLine.startsWith("port: /dev/pts/"), portLine.constData());
    const std::string port = portLine.mid(6).toStdString();
    QCOMPARE(QFileInfo(link).symLinkTarget().toStdString(), port);

    const std::string expected = "1, 100.0000, 200.0000, 10.0000, \xB0\xE6\xB0\xE8\r"
                                 "2,101.5,201.5,11,\xB5\xB5\xB7\xCE\r"
                                 "3,102,202,12,PT\r";
    const std::string upload = "9,1.5,2.5,3.5,\xB5\xB5\xB7\xCE\n\r\r\n";
    {
        TSlave slave(link.toStdString());
        QVERIFY(slave.IsOpen());
        QCOMPARE(slave.Read(expected.size(), 5s), expected);
        slave.Write(upload);
    }
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QCOMPARE(readFile(record), upload);
    QVERIFY(!QFileInfo(link).isSymLink());
    const QByteArray report = sim.readAllStandardError();
    const QByteArray sent = "sent " + QByteArray::number(expected.size()) + " of " +
                            QByteArray::number(expected.size()) + " bytes (3 lines of";
    QVERIFY2(report.contains(sent), report.constData());
    const QByteArray received = "received " + QByteArray::number(upload.size()) + " bytes into";
    QVERIFY2(report.contains(received), report.constData());
}

void TestInstrumentSim::programRejectsBadOptions() {
    const QList<QStringList> bad = {{"--chunk", "5-2"}, {"--baud", "fast"}, {"--eol", "crcr"},
                                    {"--idle", "-1"},   {"--bogus"},        {"--send"}};
    for (const QStringList& args : bad) {
        QProcess sim;
        sim.start(PB_SIM_PROGRAM, args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY(sim.readAllStandardOutput().isEmpty()); // no port line: nothing was opened
        QVERIFY(sim.readAllStandardError().contains("--help"));
    }

    QProcess missing;
    missing.start(PB_SIM_PROGRAM, {"--send", "/nonexistent/job.txt"});
    QVERIFY(missing.waitForFinished(5000));
    QCOMPARE(missing.exitCode(), 1);
    QVERIFY(missing.readAllStandardError().contains("cannot read \"/nonexistent/job.txt\""));
}

QTEST_GUILESS_MAIN(TestInstrumentSim)
#include "tst_instrumentsim.moc"
