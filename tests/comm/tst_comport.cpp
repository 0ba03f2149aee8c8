#include "support/PtyPair.h"

#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/ComThread.h"
#include "comm/SerialDevice.h"
#include "toolkit/Guard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

// The main window's port on the given device.
void configureLikeMainWindow(TCustomComPort& port, const std::string& device) {
    port.SetPort(device);
    port.SetBaudRate(br4800);
    port.FlowControl().SetFlowControl(fcSoftware);
    port.SetDiscardNull(true);
    port.Timeouts().SetReadInterval(100);
    port.Timeouts().SetWriteTotalMultiplier(100);
    port.Timeouts().SetWriteTotalConstant(1000);
    port.Buffer().SetInputSize(8192);
    port.Buffer().SetOutputSize(8192);
    port.SetSyncMethod(smWindowSync);
}

int expectComError(const std::function<void()>& action) {
    try {
        action();
    } catch (const EComPort& e) {
        return e.ErrorCode();
    }
    return 0;
}

double processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

} // namespace

class TestComPort : public QObject {
    Q_OBJECT
    QStringList m_errors;

private slots:
    void init() {
        m_errors.clear();
        Guard::SetReporter([this](const QString& message) { m_errors << message; });
    }
    void cleanup() { Guard::SetReporter({}); }

    void newPortDefaults() {
        TComPort port;
        QCOMPARE(port.Port(), std::string("COM1"));
        QCOMPARE(port.BaudRate(), br9600);
        QCOMPARE(port.CustomBaudRate(), 9600);
        QCOMPARE(port.DataBits(), dbEight);
        QCOMPARE(port.StopBits(), sbOneStopBit);
        QCOMPARE(port.Parity().Bits(), prNone);
        QCOMPARE(port.FlowControl().XonChar(), 17);
        QCOMPARE(port.FlowControl().XoffChar(), 19);
        QCOMPARE(port.FlowControl().FlowControl(), fcNone);
        QCOMPARE(port.Timeouts().ReadInterval(), -1);
        QCOMPARE(port.Timeouts().WriteTotalMultiplier(), 100);
        QCOMPARE(port.Timeouts().WriteTotalConstant(), 1000);
        QCOMPARE(port.Buffer().InputSize(), 1024);
        QVERIFY(port.Events() == kAllComEvents);
        QCOMPARE(port.SyncMethod(), smThreadSync);
        QVERIFY(!port.Connected());
    }

    // The numbers and texts stay as they are; with a device a second line names it and the
    // reason.
    void errorTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("osError");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kept");
        QTest::newRow("open") << 1 << 5 << "" << "Unable to open com port (win error code: 5)" << 5;
        QTest::newRow("while open") << 14 << 22 << "" << "Cannot set property while connected" << -1;
        QTest::newRow("port list") << 23 << 2 << "" << "Registry error (win error code: 2)" << 2;
        QTest::newRow("open, device") << 1 << ENOENT << "/dev/ttyUSB0"
                                      << "Unable to open com port (win error code: 2)\n"
                                         "/dev/ttyUSB0: No such file or directory" << 2;
        QTest::newRow("line errors, device") << 10 << EIO << "/dev/ttyUSB0"
                                             << "ClearCommError function failed (win error code: 5)\n"
                                                "/dev/ttyUSB0: Input/output error" << 5;
    }
    void errorTexts() {
        QFETCH(int, code);
        QFETCH(int, osError);
        QFETCH(QString, device);
        QFETCH(QString, text);
        QFETCH(int, kept);
        const EComPort e(static_cast<TComErrorCode>(code), osError, device.toStdString());
        QCOMPARE(e.ErrorCode(), code);
        QCOMPARE(QString::fromStdString(e.what()), text);
        QCOMPARE(e.OsErrorCode(), kept);
    }

    void bufferSizesStayEvenAndSetTheLimits() {
        TComPort port;
        port.Buffer().SetInputSize(1025);
        port.Buffer().SetOutputSize(7);
        QCOMPARE(port.Buffer().InputSize(), 1024);
        QCOMPARE(port.Buffer().OutputSize(), 6);
        QCOMPARE(port.LineSettings().XonLim, 256);
        QCOMPARE(port.LineSettings().XoffLim, 256);
        port.Buffer().SetInputSize(8192);
        QCOMPARE(port.LineSettings().XonLim, 2048);
    }

    void flowControlDerivation_data() {
        QTest::addColumn<int>("rts");
        QTest::addColumn<bool>("cts");
        QTest::addColumn<bool>("xin");
        QTest::addColumn<bool>("xout");
        QTest::addColumn<int>("expected");
        QTest::newRow("hardware") << int(rtsHandshake) << true << false << false << int(fcHardware);
        QTest::newRow("software") << int(rtsDisable) << false << true << true << int(fcSoftware);
        QTest::newRow("none") << int(rtsDisable) << false << false << false << int(fcNone);
        QTest::newRow("half xon") << int(rtsDisable) << false << true << false << int(fcCustom);
        QTest::newRow("rts on") << int(rtsEnable) << false << false << false << int(fcCustom);
        QTest::newRow("hardware+xon") << int(rtsHandshake) << true << true << true << int(fcCustom);
    }
    void flowControlDerivation() {
        QFETCH(int, rts);
        QFETCH(bool, cts);
        QFETCH(bool, xin);
        QFETCH(bool, xout);
        QFETCH(int, expected);
        TComPort port;
        port.FlowControl().SetControlRTS(static_cast<TRTSFlowControl>(rts));
        port.FlowControl().SetOutCTSFlow(cts);
        port.FlowControl().SetXonXoffIn(xin);
        port.FlowControl().SetXonXoffOut(xout);
        QCOMPARE(int(port.FlowControl().FlowControl()), expected);
    }

    void settingFlowControl() {
        TComPort port;
        TComFlowControl& f = port.FlowControl();
        f.SetControlRTS(rtsEnable);
        f.SetXonXoffIn(true);
        f.SetOutDSRFlow(true);
        f.SetControlDTR(dtrEnable);
        f.SetFlowControl(fcCustom); // changes nothing
        QCOMPARE(f.ControlRTS(), rtsEnable);
        QVERIFY(f.XonXoffIn());
        f.SetFlowControl(fcHardware);
        QCOMPARE(f.ControlRTS(), rtsHandshake);
        QVERIFY(f.OutCTSFlow() && !f.XonXoffIn() && !f.XonXoffOut());
        f.SetFlowControl(fcNone);
        QCOMPARE(f.ControlRTS(), rtsDisable);
        QVERIFY(!f.OutCTSFlow() && !f.XonXoffIn() && !f.XonXoffOut());
        f.SetFlowControl(fcSoftware);
        QVERIFY(f.XonXoffIn() && f.XonXoffOut());
        // Never touched by the derived value.
        QVERIFY(f.OutDSRFlow());
        QCOMPARE(f.ControlDTR(), dtrEnable);
    }

    void openMissingPortFails() {
        TComPort port;
        port.SetPort("/dev/pointbridge-no-such-port");
        try {
            port.Open();
            QFAIL("opened a missing port");
        } catch (const EComPort& e) {
            QCOMPARE(e.ErrorCode(), 1);
            QCOMPARE(e.OsErrorCode(), ENOENT);
            QCOMPARE(std::string(e.what()), std::string("Unable to open com port (win error code: 2)\n"
                                                        "/dev/pointbridge-no-such-port: No such file or directory"));
        }
        QVERIFY(!port.Connected());
        QVERIFY(!port.HasEventThread());
        port.SetPort("");
        QCOMPARE(expectComError([&] { port.Open(); }), 1);
        port.SetPort("/dev/null"); // exists, but is no terminal
        QCOMPARE(expectComError([&] { port.Open(); }), 1);
        QVERIFY(!port.Connected());
    }

    void secondOpenerIsRefused() {
        PtyPair pty;
        TComPort first, second;
        first.SetPort(pty.SlavePath);
        second.SetPort(pty.SlavePath);
        first.Open();
        try {
            second.Open();
            QFAIL("second opener got in");
        } catch (const EComPort& e) {
            QCOMPARE(e.ErrorCode(), 1);
            QCOMPARE(e.OsErrorCode(), EBUSY);
        }
        QVERIFY(!second.Connected());
        first.Close();
        second.Open();
        QVERIFY(second.Connected());
    }

    void openAndCloseRaiseTheirEventsInOrder() {
        PtyPair pty;
        TComPort port;
        port.SetPort(pty.SlavePath);
        QStringList log;
        port.OnBeforeOpen = [&](TCustomComPort*) { log << "BeforeOpen"; };
        port.OnAfterOpen = [&](TCustomComPort*) { log << "AfterOpen"; };
        port.OnBeforeClose = [&](TCustomComPort*) { log << "BeforeClose"; };
        port.OnAfterClose = [&](TCustomComPort* sender) {
            log << QString("AfterClose %1").arg(sender->Connected());
        };
        port.OnCTSChange = [&](TCustomComPort*, bool on) { log << QString("CTS %1").arg(on); };
        port.OnDSRChange = [&](TCustomComPort*, bool on) { log << QString("DSR %1").arg(on); };
        port.OnRLSDChange = [&](TCustomComPort*, bool on) { log << QString("RLSD %1").arg(on); };
        port.SetConnected(true);
        port.SetConnected(true);
        port.SetConnected(false);
        port.Close();
        // A pseudo-terminal has no modem lines: they read as off instead of failing.
        QCOMPARE(log, QStringList({"BeforeOpen", "AfterOpen", "CTS 0", "DSR 0", "RLSD 0", "CTS 0",
                                   "DSR 0", "RLSD 0", "BeforeClose", "AfterClose 0"}));
    }

    void settingsReachTheLine() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        port.Open();
        termios t = pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B4800));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(t.c_cflag & (PARENB | CSTOPB | CRTSCTS)));
        QVERIFY(t.c_cflag & CREAD);
        QVERIFY((t.c_iflag & IXON) && (t.c_iflag & IXOFF));
        QCOMPARE(int(t.c_cc[VSTART]), 17);
        QCOMPARE(int(t.c_cc[VSTOP]), 19);
        QVERIFY(!(t.c_lflag & (ICANON | ECHO | ISIG)));
        QVERIFY(!(t.c_oflag & OPOST));

        port.SetBaudRate(br9600); // applied at once
        t = pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));

        port.BeginUpdate();
        port.SetBaudRate(br19200);
        port.FlowControl().SetFlowControl(fcNone);
        t = pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QVERIFY(t.c_iflag & IXON);
        port.EndUpdate();
        port.EndUpdate(); // without a BeginUpdate: nothing
        t = pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));
        QVERIFY(!(t.c_iflag & (IXON | IXOFF)));

        port.SetBaudRate(br14400); // no B-constant: set through termios2
        QVERIFY(port.Connected());
        QCOMPARE(expectComError([&] { port.SetSyncMethod(smNone); }), 14);
    }

    void refusedLineSettingsCloseTheDevice() {
        // The kernel forces 8 data bits without parity on a pseudo-terminal.
        PtyPair pty;
        TComPort port;
        port.SetPort(pty.SlavePath);
        port.SetDataBits(dbSeven);
        QCOMPARE(expectComError([&] { port.Open(); }), 7);
        QVERIFY(!port.Connected());
        QVERIFY(!port.HasEventThread());
        port.SetDataBits(dbEight);
        port.Open(); // the failed open let go of the device
        QCOMPARE(expectComError([&] { port.Parity().SetBits(prEven); }), 7);
        QVERIFY(port.Connected()); // a setter's failure leaves the port open
        QCOMPARE(port.Parity().Bits(), prEven);
    }

    void portChangeInsideUpdateReopensAtOnce() {
        PtyPair a, b;
        TComPort port;
        port.SetPort(a.SlavePath);
        port.Open();
        port.BeginUpdate();
        port.SetBaudRate(br1200);
        port.SetPort(b.SlavePath);
        QVERIFY(port.Connected());
        TComPort other; // the old device is free again
        other.SetPort(a.SlavePath);
        other.Open();
        termios t = b.Settings();
        QVERIFY(cfgetospeed(&t) != B1200);
        port.EndUpdate();
        t = b.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B1200));
    }

    void receivedBytesReachOnRxCharOnTheUiThread() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        std::string received;
        QList<int> counts;
        bool onUiThread = true;
        port.OnRxChar = [&](TCustomComPort* sender, int count) {
            onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
            counts << count;
            std::string text;
            sender->ReadText(text, count);
            received += text;
        };
        port.Open();
        QVERIFY(port.HasEventThread());
        QVERIFY(pty.Send(std::string("AB\0CD", 5)));
        QTRY_COMPARE(received, std::string("ABCD"));
        QVERIFY(onUiThread);
        QCOMPARE(counts.value(0), 5); // NULs are counted in the queue, dropped from the text
        QVERIFY(pty.Send("12,100.5,200.25,10,PT\r\n"));
        QTRY_COMPARE(received, std::string("ABCD12,100.5,200.25,10,PT\r\n"));
    }

    void otherSyncMethods() {
        // Thread sync acts on the user-interface thread too; "none" acts on the event thread.
        for (TSyncMethod sync : {smThreadSync, smNone}) {
            PtyPair pty;
            TComPort port;
            port.SetPort(pty.SlavePath);
            port.SetSyncMethod(sync);
            std::atomic<int> calls = 0;
            std::atomic<bool> onUiThread = false;
            QThread* ui = QCoreApplication::instance()->thread();
            port.OnRxChar = [&](TCustomComPort*, int count) {
                onUiThread = QThread::currentThread() == ui;
                calls += count;
            };
            port.Open();
            QVERIFY(pty.Send("sync"));
            QTRY_COMPARE(calls.load(), 4);
            QCOMPARE(onUiThread.load(), sync == smThreadSync);
            port.Close();
        }
    }

    void announcedBytesAreNotAnnouncedAgain() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        QList<int> counts;
        port.OnRxChar = [&](TCustomComPort*, int count) { counts << count; }; // reads nothing
        port.Open();
        QVERIFY(pty.Send("abc"));
        QTRY_COMPARE(counts.size(), 1);
        QTest::qWait(200);
        QCOMPARE(counts, QList<int>({3}));
        QVERIFY(pty.Send("de"));
        QTRY_COMPARE(counts.size(), 2);
        QCOMPARE(counts.at(1), 5);

        // A notification taken after a handler read everything finds nothing to report.
        std::string text;
        QCOMPARE(port.ReadText(text, 5), 5);
        port.ActOnNotification(ComNotify::kRxChar);
        QCOMPARE(counts.size(), 2);
    }

    void noEventsMeansNoThread() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        port.SetEvents({});
        int calls = 0;
        port.OnRxChar = [&](TCustomComPort*, int) { ++calls; };
        port.Open();
        QVERIFY(!port.HasEventThread());
        QVERIFY(pty.Send("xyz"));
        QTest::qWait(150);
        QCOMPARE(calls, 0);
        QCOMPARE(port.WaitingInputCount(), 3);
        std::string text;
        QCOMPARE(port.ReadText(text, 3), 3);
        QCOMPARE(text, std::string("xyz"));
        QCOMPARE(port.WriteText("ok"), 2);
        QCOMPARE(pty.Receive(), std::string("ok"));
    }

    void writeTextDeliversExactBytes() {
        PtyPair pty;
        TComPort port;
        port.SetPort(pty.SlavePath);
        port.Open();
        std::string all;
        for (int i = 0; i < 256; ++i)
            all += static_cast<char>(i);
        std::string text = "1,100.5,200.25,10,PT\n\r\r\n" + all;
        QCOMPARE(port.WriteText(text), int(text.size()));
        QCOMPARE(pty.Receive(), text);
        QCOMPARE(port.WriteText(""), 0);
    }

    void blockedWriteEndsOnItsTimeout() {
        PtyPair pty; // the instrument never reads
        TComPort port;
        port.SetPort(pty.SlavePath);
        port.Timeouts().SetWriteTotalMultiplier(0);
        port.Timeouts().SetWriteTotalConstant(300);
        port.Open();
        const std::string text(4 << 20, 'x');
        QElapsedTimer clock;
        clock.start();
        const int written = port.WriteText(text);
        const qint64 ms = clock.elapsed();
        QVERIFY2(written > 0 && written < int(text.size()), qPrintable(QString::number(written)));
        QVERIFY2(ms >= 250 && ms < 3000, qPrintable(QString::number(ms)));
    }

    void readTimeouts() {
        PtyPair pty;
        TComPort port;
        port.SetPort(pty.SlavePath);
        port.Open();
        std::string text;
        QElapsedTimer clock;

        clock.start(); // new port: interval all bits, totals 0 -> returns at once
        QCOMPARE(port.ReadText(text, 10), 0);
        QVERIFY(clock.elapsed() < 100);
        QVERIFY(pty.Send("abc"));
        QTRY_COMPARE(port.WaitingInputCount(), 3);
        QCOMPARE(port.ReadText(text, 10), 3);

        port.Timeouts().SetReadInterval(0);
        port.Timeouts().SetReadTotalConstant(200);
        clock.restart(); // nothing comes: ends on the total
        QCOMPARE(port.ReadText(text, 10), 0);
        QVERIFY(clock.elapsed() >= 180 && clock.elapsed() < 1500);

        port.Timeouts().SetReadInterval(100);
        port.Timeouts().SetReadTotalConstant(0);
        QVERIFY(pty.Send("12345"));
        clock.restart(); // the gap after the last byte ends it
        QCOMPARE(port.ReadText(text, 100), 5);
        QCOMPARE(text, std::string("12345"));
        QVERIFY(clock.elapsed() >= 90 && clock.elapsed() < 1500);

        QVERIFY(pty.Send("678"));
        QTRY_COMPARE(port.WaitingInputCount(), 3);
        clock.restart(); // the requested count ends it at once
        QCOMPARE(port.ReadText(text, 2), 2);
        QVERIFY(clock.elapsed() < 90);
        QCOMPARE(port.ReadText(text, 0), 0);
        QCOMPARE(text, std::string());
    }

    void notificationAfterCloseDoesNothing() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        int calls = 0;
        port.OnRxChar = [&](TCustomComPort*, int) { ++calls; };
        port.Open();
        QVERIFY(pty.Send("late"));
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // notification is queued
        port.Close();
        QTest::qWait(100);
        QCOMPARE(calls, 0);
        // Nor after the port opened again: the old notification belonged to the old open.
        port.Open();
        QTest::qWait(100);
        QCOMPARE(calls, 0);
    }

    void closeInsideTheHandler() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        int calls = 0;
        port.OnRxChar = [&](TCustomComPort* sender, int) {
            ++calls;
            sender->Close();
        };
        port.Open();
        QVERIFY(pty.Send("a"));
        QTRY_COMPARE(calls, 1);
        QVERIFY(!port.Connected());
        QVERIFY(!port.HasEventThread());
        QVERIFY(pty.Send("b"));
        QTest::qWait(100);
        QCOMPARE(calls, 1);
    }

    void closeWhileBytesKeepArriving() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        int chunks = 0;
        port.OnRxChar = [&](TCustomComPort* sender, int count) {
            std::string text;
            sender->ReadText(text, count);
            ++chunks;
        };
        std::atomic<bool> stop = false;
        std::thread instrument([&] {
            const std::string line = "1,100.0000,200.0000,0.0000,PT\r\n";
            while (!stop) {
                if (::write(pty.Master, line.data(), line.size()) < 0)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        for (int i = 0; i < 200; ++i) {
            port.Open();
            // Close sometimes with a notification in flight, sometimes after handlers ran.
            if (i % 2)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            else
                QTest::qWait(2);
            port.Close();
        }
        port.Open();
        QTRY_VERIFY(chunks > 0);
        port.Close();
        stop = true;
        instrument.join();
        QVERIFY(m_errors.isEmpty());
    }

    void instrumentHangingUpIsReportedOnce() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        std::string received;
        port.OnRxChar = [&](TCustomComPort* sender, int count) {
            std::string text;
            sender->ReadText(text, count);
            received += text;
        };
        port.Open();
        QVERIFY(pty.Send("1,2,3,4,A\r\n"));
        QTRY_COMPARE(received, std::string("1,2,3,4,A\r\n"));
        pty.CloseMaster();
        QTRY_COMPARE(m_errors.size(), 1);
        QCOMPARE(m_errors.at(0), QString::fromStdString("ClearCommError function failed (win error code: 5)\n" +
                                                        pty.SlavePath + ": Input/output error"));
        QTRY_VERIFY(!port.Connected()); // lets go of the vanished device at once

        // The event thread stopped waiting instead of spinning on the dead line.
        const double before = processCpuMs();
        QTest::qWait(300);
        QVERIFY2(processCpuMs() - before < 100, "busy after hang-up");
        QCOMPARE(m_errors.size(), 1);

        std::string text;
        QCOMPARE(expectComError([&] { port.ReadText(text, 5); }), 3);
        QCOMPARE(expectComError([&] { port.WriteText("x"); }), 2);
    }

    void handlerRunsInsideANestedLoop() {
        PtyPair pty;
        TComPort port;
        configureLikeMainWindow(port, pty.SlavePath);
        QEventLoop modal;
        std::string received;
        port.OnRxChar = [&](TCustomComPort* sender, int count) {
            std::string text;
            sender->ReadText(text, count);
            received += text;
            modal.quit();
        };
        port.Open();
        QTimer::singleShot(20, [&] { pty.Send("modal"); });
        QTimer::singleShot(3000, &modal, &QEventLoop::quit);
        modal.exec();
        QCOMPARE(received, std::string("modal"));
    }

    void destroyingAnOpenPortClosesIt() {
        PtyPair pty;
        {
            TComPort port;
            configureLikeMainWindow(port, pty.SlavePath);
            port.Open();
            QVERIFY(pty.Send("pending"));
        }
        TComPort again;
        again.SetPort(pty.SlavePath);
        again.Open();
        QVERIFY(again.Connected());
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestComPort t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_comport.moc"
