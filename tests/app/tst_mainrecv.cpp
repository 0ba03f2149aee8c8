// The receive and upload paths end to end: the main window's port on a pseudo-terminal
// with the stand-in instrument at the other end.
#include "support/Boxes.h"
#include "support/Modal.h"
#include "support/PtyPair.h"

#include "app/Main.h"
#include "comm/ComPort.h"
#include "comm/RecvFiles.h"
#include "comm/UploadText.h"
#include "comm/forms/ComComboBox.h"
#include "comm/forms/DataRecv.h"
#include "comm/forms/DataSend.h"
#include "io/PointImport.h"
#include "io/SafeFile.h"
#include "model/NCADProject.h"
#include "sim/InstrumentSim.h"
#include "text/Cp949.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <thread>

namespace {

using Sim = TInstrumentSim;

std::unique_ptr<Sim> fastInstrument(std::uint32_t seed = 1) {
    Sim::TSettings s;
    s.BaudRate = 0;
    s.ChunkMin = 1;
    s.ChunkMax = 40;
    s.Seed = seed;
    s.OpenSettle = std::chrono::milliseconds(100);
    return std::make_unique<Sim>(s);
}

// A disk with no room left.
struct FullDisk : TFileSystemCalls {
    ssize_t Write(int, const char*, size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct Expected {
    std::string cells[5]; // as the table shows them (UTF-8, code upper-cased)
    double x, y, z;
};

// `count` point lines with numbers of varying length and some Korean codes, CP949.
std::string makeJob(int count, std::vector<Expected>& expected) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coord(-50000.0, 250000.0);
    const char* const codes[] = {"bm", "경계", "TREE", "cl-1", "맨홀"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        char x[32], y[32], z[32];
        std::snprintf(x, sizeof x, "%.3f", coord(rng));
        std::snprintf(y, sizeof y, "%.4f", coord(rng));
        std::snprintf(z, sizeof z, "%.2f", coord(rng) / 1000.0);
        const std::string code = codes[i % 5];
        std::string upper = code;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        const std::string id = "P" + std::to_string(i + 1);
        expected.push_back({{id, x, y, z, upper}, std::stod(x), std::stod(y), std::stod(z)});
        text += id + "," + x + "," + y + "," + z + "," + code + "\r\n";
    }
    return Cp949::FromUtf8(text);
}

} // namespace

class TestMainRecv : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    Boxes m_boxes;

    QString bufferPath() const { return m_dir.filePath("prog/temp.dat"); }

    // Runs the receive command; `whileShown` runs inside the modal window and closes it.
    // The line counts as idle soon, so that tests need not wait long before Ok.
    void receive(TMainForm& form, const std::function<void(TDataRecvForm*)>& whileShown) {
        form.ReceiveWindow->IdleAfter = std::chrono::milliseconds(150);
        bool ran = false;
        whenModal<TDataRecvForm>([&](TDataRecvForm* w) {
            QCOMPARE(w, form.ReceiveWindow);
            whileShown(w);
            if (QTest::currentTestFailed()) // a failed check left it open
                w->hide();
            ran = true;
        });
        form.btnComportOpen->click();
        QVERIFY(ran);
        QVERIFY(!form.ReceiveWindow->isVisible());
    }

    // Waits for `n` bytes and for the line to be idle after them, so that Ok asks nothing.
    static bool waitBytes(TDataRecvForm* w, size_t n, int ms = 10000) {
        return QTest::qWaitFor([&] { return w->RecvBytes().size() >= n && !w->StillSending(); }, ms);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath("prog")));
        RecvFiles::SetFolders(m_dir.filePath("prog").toStdString(),
                              m_dir.filePath("data").toStdString());
    }
    void init() {
        m_boxes.seen.clear();
        // Every box is answered OK unless a test decides otherwise.
        m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::Ok; };
        QFile::remove(bufferPath());
    }

    void receiveLandsInTableProjectAndView_data() {
        QTest::addColumn<int>("lineEnd");
        QTest::newRow("CR LF") << int(Sim::TLineEnd::CrLf);
        QTest::newRow("LF") << int(Sim::TLineEnd::Lf);
        QTest::newRow("CR") << int(Sim::TLineEnd::Cr);
    }
    void receiveLandsInTableProjectAndView() {
        QFETCH(int, lineEnd);
        std::vector<Expected> expected;
        const std::string sent =
            Sim::WithLineEnds(makeJob(500, expected), static_cast<Sim::TLineEnd>(lineEnd));
        auto sim = fastInstrument(static_cast<std::uint32_t>(lineEnd) + 11);
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        receive(form, [&](TDataRecvForm* w) {
            QCOMPARE(w->PageControl1->currentWidget(), w->TabSheet1);
            QCOMPARE(w->Combo1->Text(), QString::fromStdString(sim->PortPath()));
            QCOMPARE(w->Combo2->Text(), QString("4800"));
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            QVERIFY(sim->Counts().Chunks > 100); // lines and numbers split across pieces
            QCOMPARE(w->RecvBytes(), sent);
            QCOMPARE(w->RecvLineCount(), 500);
            QCOMPARE(w->MsgStr->document()->blockCount(), 501); // one per line, an empty last
            QVERIFY(w->ProgressText().contains(QString::fromUtf8("500 줄")));
            w->Button2->click();
        });
        QVERIFY(m_boxes.seen.isEmpty());
        // The buffer file holds the bytes exactly, line ends included.
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent));
        QCOMPARE(form.NiceGrid1->RowCount(), 500);
        for (int r = 0; r < 500; ++r)
            for (int c = 0; c < 5; ++c)
                QCOMPARE(std::string(form.NiceGrid1->CellUtf8(c, r)),
                         expected[static_cast<size_t>(r)].cells[c]);
        QCOMPARE(form.Project->TotalPointCount(), 500);
        QCOMPARE(form.Project->Count(), 5);
        QCOMPARE(form.Project->GetItem(1)->Code(), std::string("경계"));
        double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
        for (const Expected& e : expected) {
            int item = -1, point = -1;
            QVERIFY(form.NCAD1->FindPoint(e.cells[4], e.x, e.y, e.z, item, point));
            QCOMPARE(QString::fromStdString(form.Project->GetItem(item)->GetPoint(point)->ID),
                     QString::fromStdString(e.cells[0]));
            minX = std::min(minX, e.x), maxX = std::max(maxX, e.x);
            minY = std::min(minY, e.y), maxY = std::max(maxY, e.y);
        }
        // The view was fitted to the points.
        QVERIFY(form.NCAD1->MinX <= minX && form.NCAD1->MaxX >= maxX);
        QVERIFY(form.NCAD1->MinY <= minY && form.NCAD1->MaxY >= maxY);
        QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(sim->WaitPortClosed(std::chrono::seconds(2)));
        // The journal of this receive has every byte too.
        const QString journal = QString::fromStdString(form.ReceiveWindow->JournalPath());
        QVERIFY(journal.startsWith(m_dir.filePath("data/receive-journal/receive-")));
        QCOMPARE(fileBytes(journal), QByteArray::fromStdString(sent));
    }

    // An instrument sending its own format: the bytes stay as sent, the points that reach
    // table, project and view are the reduced ones.
    void receivedInstrumentDataLandsAsPoints() {
        const std::string sent =
            "*110001+000000000000STN1 84..00+0000000000100000 85..00+0000000000200000 "
            "86..00+0000000000010000 88..00+0000000000001500 \r\n"
            "*110002+0000000000000P01 21.022+0000000000000000 22.022+0000000010000000 "
            "31..00+0000000000010000 87..00+0000000000001500 71....+00000000000000kp \r\n"
            "*110003+0000000000000P02 21.024+0000000009000000 22.024+0000000009000000 "
            "31..06+0000000000100000 \r\n";
        auto sim = fastInstrument(5);
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            w->Button2->click();
        });
        // Only the note that the set-up's circle was taken as oriented.
        QCOMPARE(m_boxes.seen.size(), 1);
        QVERIFY2(m_boxes.titled()[0].endsWith("circle readings taken as azimuths"), qPrintable(m_boxes.titled()[0]));
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent));
        QCOMPARE(fileBytes(QString::fromStdString(form.ReceiveWindow->JournalPath())),
                 QByteArray::fromStdString(sent));
        const QStringList rows[] = {{"STN1", "100.0000", "200.0000", "10.0000", "STN"},
                                    {"P01", "100.0000", "210.0000", "10.0000", "KP"},
                                    {"P02", "110.0000", "200.0000", "10.0000", ""}};
        QCOMPARE(form.NiceGrid1->RowCount(), 3);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 5; ++c)
                QCOMPARE(form.NiceGrid1->Cells(c, r), rows[r][c]);
        QCOMPARE(form.Project->Count(), 3);
        int item = -1, point = -1;
        QVERIFY(form.NCAD1->FindPoint("KP", 100, 210, 10, item, point));
        QVERIFY(form.NCAD1->MinX <= 100 && form.NCAD1->MaxX >= 110);
        QVERIFY(form.MsgStr->toPlainText().endsWith("azimuths\n" + TMainForm::CompletionLine()));
    }

    void okWithNothingReceived() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        QFile stale(bufferPath());
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("old");
        stale.close();
        receive(form, [&](TDataRecvForm* w) {
            // The wait names the port it waits on.
            QVERIFY(w->lblProgress->text().endsWith(
                QString::fromStdString("\n포트: " + sim->PortPath() + " (4800 bit/s)")));
            w->Button2->click();
        });
        // Ok confirmed the settings page: the next start uses this port.
        QCOMPARE(TMainForm().ComPort->Port(), sim->PortPath());
        QCOMPARE(fileBytes(bufferPath()), QByteArray()); // written, with 0 bytes
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(form.ReceiveWindow->JournalPath().empty());
        QVERIFY(m_boxes.seen.isEmpty());
    }

    void cancelHandsOverLogsNothingAndKeepsThePortOpen() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        const std::string sent = "1,10,20,30,A\r\n2,11,21,31,B\r\n3,12,22,32";
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            w->PageControl1->setCurrentWidget(w->TabSheet2);
            w->Combo2->setCurrentIndex(w->Combo2->findText("19200"));
            emit w->Combo2->activated(w->Combo2->currentIndex());
            w->Button1->click();
        });
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent));
        QCOMPARE(form.NiceGrid1->RowCount(), 3); // handed over as with OK
        QCOMPARE(form.NiceGrid1->Cells(1, 2), QString("12"));
        QCOMPARE(form.MsgStr->toPlainText(), QString()); // nothing logged
        QVERIFY(form.ComPort->Connected());
        QCOMPARE(form.ComPort->BaudRate(), br4800); // the choice was dropped

        // Text arriving while the window is hidden is discarded at the next show, but kept
        // in the journal.
        const std::string journal = form.ReceiveWindow->JournalPath();
        sim->Send("late\r\n");
        QTRY_COMPARE(form.ReceiveWindow->RecvBytes(), sent + "late\r\n");
        QCOMPARE(fileBytes(QString::fromStdString(journal)),
                 QByteArray::fromStdString(sent + "late\r\n"));

        // A second receive does not reopen the port; the window starts empty.
        m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::No; };
        receive(form, [&](TDataRecvForm* w) {
            QCOMPARE(w->Combo2->Text(), QString("4800"));
            QCOMPARE(w->MsgStr->toPlainText(), QString());
            QVERIFY(w->RecvBytes().empty());
            w->Button2->click();
        });
        QCOMPARE(sim->Counts().Opens, 1);
        QVERIFY(!form.ComPort->Connected());
        QCOMPARE(form.NiceGrid1->RowCount(), 3); // an empty receive, answered No
        QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
    }

    void questionWhenTheTableHasRows() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        form.ImportPointLines(TPointLines::FromUtf8("1,1,2,3,A\n"));
        QStringList started;
        form.ReceiveWindow->OnSecondRun = [&](const QString& path) { started << path; };
        const std::string sent = "7,70,80,90,X\r\n";

        // Yes: a second run on the buffer file, after a pause; nothing imported here.
        m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::Yes; };
        QElapsedTimer clock;
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            clock.start();
            w->Button2->click();
        });
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(m_boxes.titled(), QStringList({"Confirm|데이터를 새로운 창에서 전송받으시겠습니까?"}));
        QCOMPARE(started, QStringList({bufferPath()}));
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent));
        QCOMPARE(form.NiceGrid1->RowCount(), 1);
        QVERIFY(!form.ComPort->Connected());

        // No: the points are appended here, with those that came while the question was open.
        const std::string late = "8,71,81,91,Y\r\n";
        m_boxes.decide = [&](const Dialogs::Box&) {
            sim->Send(late);
            waitBytes(form.ReceiveWindow, sent.size() + late.size());
            return Dialogs::Answer::No;
        };
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            w->Button2->click();
        });
        QCOMPARE(started.size(), 1);
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent + late));
        QCOMPARE(form.NiceGrid1->RowCount(), 3);
        QCOMPARE(form.NiceGrid1->Cells(0, 2), QString("8"));
        QVERIFY(form.MsgStr->toPlainText().endsWith(TMainForm::CompletionLine()));
    }

    void secondRunThatCannotStartIsReported() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        form.ImportPointLines(TPointLines::FromUtf8("1,1,2,3,A\n"));
        form.ReceiveWindow->SecondRunDelay = 10;
        form.ReceiveWindow->OnSecondRun = [](const QString&) {
            throw std::runtime_error("Cannot start \"pointbridge\". No such file");
        };
        int questions = 0;
        m_boxes.decide = [&](const Dialogs::Box& b) {
            if (b.title != "Confirm")
                return Dialogs::Answer::Ok;
            return ++questions == 1 ? Dialogs::Answer::Yes : Dialogs::Answer::No;
        };
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send("5,1,1,1,B\r\n");
            QVERIFY(waitBytes(w, 11));
            w->Button2->click();
            // Told, and the window stays with its text: the user can import here instead.
            QVERIFY(w->isVisible());
            QCOMPARE(m_boxes.titled().last(), QString("PointBridge|Cannot start \"pointbridge\". No such file"));
            QCOMPARE(fileBytes(bufferPath()), QByteArray("5,1,1,1,B\r\n"));
            w->Button2->click();
        });
        QCOMPARE(questions, 2);
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(fileBytes(bufferPath()), QByteArray("5,1,1,1,B\r\n"));
    }

    // The adapter is pulled mid-receive: one box; a last line without its line end is not
    // imported; MsgStr says which line was cut and where the bytes are kept, and logs no
    // completion line. The port has let go of the device.
    void hangUpMidReceive_data() {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("newWindow"); // the table has a row and the data go to a new window
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("note"); // {kept}: temp.dat and the journal
        const QByteArray cut("1,10,20,30,A\r\n2,11,21,31,B\r\n3,12,22,32");
        const QString cutNote = "포트 {port}에서 받은 데이터 38 바이트는 모두 {kept}에 있습니다.\n"
                                "수신 중에 연결이 끊겨 3번째 줄이 잘렸습니다. 그 줄은 불러오지 않았습니다.";
        QTest::newRow("cut last line") << cut << false << 2 << cutNote;
        QTest::newRow("cut last line, new window") << cut << true << 2 << cutNote;
        QTest::newRow("after a whole line") << QByteArray("1,10,20,30,A\r\n2,11,21,31,B\r\n") << false << 2
                                            << "포트 {port}에서 받은 데이터 28 바이트는 모두 {kept}에 있습니다.\n수신 중에 연결이 끊겼습니다.";
    }
    void hangUpMidReceive() {
        QFETCH(QByteArray, sent);
        QFETCH(bool, newWindow);
        QFETCH(int, rows);
        QFETCH(QString, note);
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        QString started;
        QStringList options;
        if (newWindow) {
            form.ImportPointLines(TPointLines::FromUtf8("9,1,2,3,Z\n"));
            form.SecondRunStarter = [&](const QString& p, const QStringList& o) { started = p, options = o; };
            m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::Yes; };
        }
        std::string journal;
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent.toStdString());
            QVERIFY(waitBytes(w, sent.size()));
            const std::string device = sim->PortPath();
            sim.reset(); // the adapter is pulled
            QTRY_COMPARE(m_boxes.seen.size(), 1);
            QTest::qWait(300);
            QCOMPARE(m_boxes.titled(), QStringList{QString::fromStdString(
                                  "PointBridge|ClearCommError function failed (win error code: 5)\n" +
                                  device + ": Input/output error")});
            QVERIFY(!form.ComPort->Connected());
            QTRY_VERIFY(w->lblProgress->text().startsWith(QString::fromUtf8("연결 끊김: ")));
            QCOMPARE(w->lblProgress->text().contains(QString::fromUtf8("3번째 줄이 잘렸습니다")),
                     note.contains(QString::fromUtf8("잘렸습니다")));
            QCOMPARE(w->RecvBytes(), sent.toStdString());
            journal = w->JournalPath();
            w->Button2->click();
        });
        // Once: OK finds nothing more to complain about (a new window is asked for).
        QCOMPARE(m_boxes.seen.size(), newWindow ? 2 : 1);
        QCOMPARE(fileBytes(bufferPath()), sent);
        QCOMPARE(fileBytes(QString::fromStdString(journal)), sent);
        QCOMPARE(form.MsgStr->toPlainText(),
                 note.replace("{kept}", "\"" + bufferPath() + "\"와 \"" + QString::fromStdString(journal) + "\"")
                     .replace("{port}", QString::fromStdString(form.ComPort->Port()) + " (4800 bit/s)"));
        if (!newWindow) {
            QCOMPARE(form.NiceGrid1->RowCount(), rows);
            QCOMPARE(form.Project->TotalPointCount(), rows);
            return;
        }
        // The new window reads temp.dat as it is, but leaves the cut line out too.
        QCOMPARE(form.NiceGrid1->RowCount(), 1);
        QCOMPARE(started, bufferPath());
        TMainForm second;
        second.ImportFile(started, options);
        QCOMPARE(second.NiceGrid1->RowCount(), rows);
        QCOMPARE(second.MsgStr->toPlainText(),
                 QString::fromUtf8("수신이 끝나기 전에 3번째 줄이 잘렸습니다. 그 줄은 불러오지 않았습니다."));
    }

    // Ok while the instrument is still sending asks whether to wait for the end. Waiting:
    // the window closes by itself once the line is idle and every point lands. Going on: the
    // port closes at once and every byte up to then, also those still in the port, is this
    // receive's (temp.dat, journal, the count in the note); the cut last line is not
    // imported; the rest of the transfer is dropped and the next receive starts clean. On
    // a full disk temp.dat is not written, the points still land and the note says where the
    // bytes are.
    void okWhileBytesKeepComing_data() {
        QTest::addColumn<bool>("wait");
        QTest::addColumn<bool>("newWindow"); // the table has a row and the data go to a new window
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("wait") << true << false << false;
        QTest::newRow("go on") << false << false << false;
        QTest::newRow("go on, new window") << false << true << false;
        QTest::newRow("wait, disk full") << true << false << true;
        QTest::newRow("go on, new window, disk full") << false << true << true;
    }
    void okWhileBytesKeepComing() {
        QFETCH(bool, wait);
        QFETCH(bool, newWindow);
        QFETCH(bool, diskFull);
        const std::string head = "1,10,20,30,A\r\n2,11,21,31,B\r\n3,12,2"; // seen in the window
        const std::string held = "2,3";                                     // still in the port
        // What the instrument has left to send: the end of line 3 and one more point, or
        // (going on) a long third line, far from sent when the port closes.
        std::string tail = "2,C\r\n4,13,23,33,D\r\n";
        if (!wait)
            tail = std::string(300, '7') + "\r\n" + Cp949::FromUtf8(std::string(2000, 'x'));
        Sim::TSettings line;
        line.BaudRate = 2400;
        line.OpenSettle = std::chrono::milliseconds(100);
        auto sim = std::make_unique<Sim>(line);
        FullDisk full;
        if (diskFull)
            RecvFiles::SetBufferFileCalls(&full);
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        QStringList started;
        if (newWindow) {
            form.ImportPointLines(TPointLines::FromUtf8("9,1,2,3,Z\n"));
            form.SecondRunStarter = [&](const QString& p, const QStringList& o) { started << p << o; };
        }
        m_boxes.decide = [&](const Dialogs::Box& b) {
            if (b.text == TDataRecvForm::WaitQuestion())
                return wait ? Dialogs::Answer::Yes : Dialogs::Answer::No;
            return b.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::Yes : Dialogs::Answer::Ok;
        };
        receive(form, [&](TDataRecvForm* w) {
            w->IdleAfter = std::chrono::seconds(2);
            w->SecondRunDelay = 10;
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(head);
            QVERIFY(QTest::qWaitFor([&] { return w->RecvBytes() == head; }, 10000));
            // The next bytes reach the port's queue while no notification is taken.
            sim->Send(held);
            QElapsedTimer clock;
            clock.start();
            while (form.ComPort->WaitingInputCount() < int(held.size()) && clock.elapsed() < 5000)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            QCOMPARE(form.ComPort->WaitingInputCount(), int(held.size()));
            sim->Send(tail);
            w->Button2->click();
            QCOMPARE(m_boxes.titled().value(0), "Confirm|" + TDataRecvForm::WaitQuestion());
            QCOMPARE(w->isVisible(), wait);
            if (!wait) // the bytes the port held came with the close
                QVERIFY(w->RecvBytes().rfind(head + held, 0) == 0);
        });
        RecvFiles::SetBufferFileCalls(nullptr);
        const TDataRecvForm* w = form.ReceiveWindow;
        const std::string received = w->RecvBytes();
        if (wait)
            QCOMPARE(received, head + held + tail);
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(sim->WaitPortClosed(std::chrono::seconds(2)));
        const QString journal = QString::fromStdString(w->JournalPath());
        QCOMPARE(fileBytes(journal), QByteArray::fromStdString(received));
        QCOMPARE(fileBytes(bufferPath()), diskFull ? QByteArray("<missing>") : QByteArray::fromStdString(received));

        QStringList note;
        if (diskFull || !wait)
            note << QString::fromUtf8("포트 %1 (4800 bit/s)에서 받은 데이터 %2 바이트는 모두 %3에 있습니다.")
                        .arg(QString::fromStdString(form.ComPort->Port()))
                        .arg(received.size())
                        .arg(diskFull ? "\"" + journal + "\"" : "\"" + bufferPath() + "\"와 \"" + journal + "\"");
        if (diskFull)
            note << QString::fromUtf8("받은 데이터를 임시 파일에 쓰지 못했습니다: Cannot write file \"%1\". Disk full")
                        .arg(bufferPath());
        if (!wait)
            note << QString::fromUtf8("전송이 끝나기 전에 수신을 마쳐 3번째 줄이 잘렸습니다. 그 줄은 불러오지 않았습니다.");
        else
            note << TMainForm::CompletionLine();
        QCOMPARE(form.MsgStr->toPlainText(), note.join('\n'));
        QCOMPARE(m_boxes.seen.size(), 1 + (newWindow ? 1 : 0) + (diskFull ? 1 : 0));
        if (newWindow) {
            QCOMPARE(form.NiceGrid1->RowCount(), 1);
            QCOMPARE(started, QStringList({diskFull ? journal : bufferPath(), "--whole-lines"}));
            TMainForm second;
            second.ImportFile(started[0], started.mid(1));
            QCOMPARE(second.NiceGrid1->RowCount(), 2);
        } else {
            QCOMPARE(form.NiceGrid1->RowCount(), wait ? 4 : 2);
            QCOMPARE(form.NiceGrid1->Cells(4, 1), QString("B"));
        }
        if (wait)
            return;

        // The rest of that transfer was dropped with the close; the next receive gets only
        // its own bytes.
        QVERIFY(sim->Counts().Discarded > 0);
        const std::string next = "7,70,80,90,X\r\n";
        m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::No; };
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(next);
            QVERIFY(waitBytes(w, next.size()));
            QCOMPARE(w->RecvBytes(), next);
            w->Button2->click();
        });
        QCOMPARE(form.NiceGrid1->Cells(0, form.NiceGrid1->RowCount() - 1), QString("7"));
    }

    // One line of 300 KB, as fast as the line goes: temp.dat and the table get all of it, the
    // text area only its head (appending to a block that long grows slower with every
    // piece), and the settings page the user opened stays while the bytes go on arriving.
    void longLineAtFullSpeed() {
        Sim::TSettings line;
        line.BaudRate = 0;
        line.ChunkMin = 512;
        line.ChunkMax = 4096;
        line.OpenSettle = std::chrono::milliseconds(100);
        auto sim = std::make_unique<Sim>(line);
        const std::string code(300000, 'k');
        const std::string first = "1,10,20,30," + code.substr(0, 10000);
        const std::string rest = code.substr(10000) + "\r\n2,11,21,31,B\r\n";
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        receive(form, [&](TDataRecvForm* w) {
            w->IdleAfter = std::chrono::seconds(10); // one transfer, however loaded the machine
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(first);
            QVERIFY(QTest::qWaitFor([&] { return w->RecvBytes().size() == first.size(); }, 10000));
            QTabBar* tabs = w->PageControl1->tabBar();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
            sim->Send(rest);
            QVERIFY(QTest::qWaitFor([&] { return w->RecvBytes().size() == first.size() + rest.size(); }, 10000));
            w->IdleAfter = std::chrono::milliseconds(0);
            QCOMPARE(w->PageControl1->currentWidget(), w->TabSheet2);
            QCOMPARE(w->RecvBytes(), first + rest);
            const QString shown = w->MsgStr->document()->firstBlock().text();
            QVERIFY2(shown.size() < 1100, qPrintable(QString::number(shown.size())));
            QVERIFY(shown.startsWith("1,10,20,30,kkk"));
            QCOMPARE(w->MsgStr->document()->findBlockByNumber(1).text(), QString("2,11,21,31,B"));
            w->Button2->click();
        });
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(first + rest));
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(form.NiceGrid1->Cells(4, 0), QString(300000, 'K'));
    }

    // After a hang-up the next upload opens the device afresh: the instrument came back
    // under the same name.
    void portThatHungUpIsOpenedAfresh() {
        const QString link = m_dir.filePath("station");
        auto first = fastInstrument();
        QVERIFY(QFile::link(QString::fromStdString(first->PortPath()), link));
        TMainForm form;
        form.show();
        form.ComPort->SetPort(link.toStdString());
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(first->WaitPortOpen(std::chrono::seconds(5)));
            first.reset();
            QTRY_VERIFY(!form.ComPort->Connected());
            w->Button1->click();
        });
        auto second = fastInstrument();
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(QString::fromStdString(second->PortPath()), link));
        form.ImportPointLines(TPointLines::FromUtf8("1,1,2,3,A\n"));
        form.btnUpload->click();
        m_boxes.decide = [](const Dialogs::Box& b) {
            return b.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::Yes : Dialogs::Answer::Ok;
        };
        form.UploadWindow->Button2->click();
        QVERIFY2(m_boxes.titled().last().endsWith("전송이 완료되었습니다.\n포트: " + link + " (4800 bit/s), 13 바이트"),
                 qPrintable(m_boxes.titled().join("\n")));
        QVERIFY(second->WaitReceived(13, std::chrono::seconds(5)));
        QCOMPARE(second->Received(), std::string("1,1,2,3,A\n\r\r\n"));
        QFile::remove(link);
    }

    void faultyLineIsReportedOnceAndNotHandedOverTwice() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        const std::string sent = "1,10,20,30,A\r\n2,x,21,31,B\r\n";
        receive(form, [&](TDataRecvForm* w) {
            QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
            sim->Send(sent);
            QVERIFY(waitBytes(w, sent.size()));
            w->Button2->click();
        });
        QCOMPARE(m_boxes.titled(), QStringList({"PointBridge|'x' is not a valid floating point value\n\"" + bufferPath() +
                                       QString::fromUtf8("\" 파일의 2번째 줄")}));
        QCOMPARE(form.NiceGrid1->RowCount(), 1);
        QCOMPARE(form.MsgStr->toPlainText(), QString());
        QCOMPARE(fileBytes(bufferPath()), QByteArray::fromStdString(sent));
    }

    void typedPortNameAppliedAfterOk() {
        auto first = fastInstrument();
        auto second = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(first->PortPath());
        std::vector<std::string> events;
        form.ComPort->OnAfterOpen = [&](TCustomComPort* p) { events.push_back("open " + p->Port()); };
        form.ComPort->OnAfterClose = [&](TCustomComPort* p) { events.push_back("close " + p->Port()); };
        const QString next = QString::fromStdString(second->PortPath());
        receive(form, [&](TDataRecvForm* w) {
            w->PageControl1->setCurrentWidget(w->TabSheet2);
            w->Combo1->lineEdit()->selectAll();
            QTest::keyClicks(w->Combo1->lineEdit(), next);
            QCOMPARE(form.ComPort->Port(), first->PortPath()); // nothing applied before OK
            w->Button2->click();
        });
        // The old port was closed and the new one opened while applying, then closed.
        const std::vector<std::string> expected = {
            "open " + first->PortPath(), "close " + second->PortPath(),
            "open " + second->PortPath(), "close " + second->PortPath()};
        QCOMPARE(events, expected);
        QCOMPARE(form.ComPort->Port(), second->PortPath());
        QVERIFY(!form.ComPort->Connected());
        QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
        // The next receive opens the new port and shows it.
        receive(form, [&](TDataRecvForm* w) {
            QCOMPARE(w->Combo1->Text(), next);
            QVERIFY(second->WaitPortOpen(std::chrono::seconds(5)));
            w->Button1->click();
        });
        QCOMPARE(events.back(), "open " + second->PortPath());
    }

    void closeCommandClosesAnOpenPort() {
        auto sim = fastInstrument();
        TMainForm form;
        form.ComPort->SetPort(sim->PortPath());
        form.N4->trigger(); // closed: nothing
        QVERIFY(!form.ComPort->Connected());
        form.ComPort->Open();
        QVERIFY(form.btnComportClose->isEnabled());
        form.N4->trigger();
        QVERIFY(!form.ComPort->Connected());
    }

    // --- upload

    void twoRowUploadSendsExactlyTheseBytes() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        form.PC2->trigger();
        TDataSendForm* w = form.UploadWindow;
        QVERIFY(w->isVisible());
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!w->testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(w->NiceGrid1->RowCount(), 0);
        for (int i = 0; i < 5; ++i)
            w->SpeedButton2->click();
        const char* first[] = {"1", "100.5", "200.25", "10", "PT"};
        for (int c = 0; c < 5; ++c)
            w->NiceGrid1->SetCells(c, 0, first[c]);
        // Rows 2, 4 and 5 go: the Delete key, then the button.
        for (int r = 1; r < 5; ++r)
            w->NiceGrid1->SetCells(0, r, QString::number(r == 2 ? 2 : 90 + r));
        QItemSelectionModel* selection = w->NiceGrid1->selectionModel();
        selection->select(w->NiceGrid1->model()->index(1, 3), QItemSelectionModel::Select);
        QTest::keyClick(w->NiceGrid1, Qt::Key_Delete);
        QCOMPARE(w->NiceGrid1->RowCount(), 4);
        selection->select(w->NiceGrid1->model()->index(2, 0), QItemSelectionModel::Select);
        selection->select(w->NiceGrid1->model()->index(3, 4), QItemSelectionModel::Select);
        w->SpeedButton3->click();
        QCOMPARE(w->NiceGrid1->RowCount(), 2);
        QList<Dialogs::Box> boxes;
        m_boxes.decide = [&](const Dialogs::Box& b) {
            boxes << b;
            return b.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::Yes : Dialogs::Answer::Ok;
        };
        w->Button2->click();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].title, QString("Information"));
        QCOMPARE(boxes[0].text, QString("입력된 데이터를 측량기에 업로드 하시겠습니까?"));
        QVERIFY(boxes[0].icon == Dialogs::Icon::Information);
        // The box names the port the bytes went to.
        QCOMPARE(boxes[1].text, QString::fromStdString("전송이 완료되었습니다.\n포트: " + sim->PortPath() +
                                                       " (4800 bit/s), 33 바이트"));
        const std::string expected = "1,100.5,200.25,10,PT\n\r\r\n2,,,,\n\r\r\n";
        QCOMPARE(expected.size(), size_t(33));
        QVERIFY2(sim->WaitReceived(33, std::chrono::seconds(5)), sim->Received().c_str());
        QTest::qWait(50);
        QCOMPARE(sim->Received(), expected);
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(!w->isVisible());
    }

    void importedCellsAndPickedPointsAsTheTableShowsThem() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        form.ImportPointLines(TPointLines::FromUtf8("1,100.5,200,3,pt\n2,5,6,7,경계\n"));
        form.btnUpload->click();
        TDataSendForm* w = form.UploadWindow;
        QCOMPARE(w->NiceGrid1->RowCount(), 2);
        w->Button1->click(); // cancel hides it; picks meanwhile are ignored
        QVERIFY(!w->isVisible());
        form.NCAD1->OnSendAddedPoint(1.0, 1.0);
        QCOMPARE(w->NiceGrid1->RowCount(), 2);
        form.btnUpload->click();
        w->SpeedButton1->click();
        QCOMPARE(form.NCAD1->MouseMode, mmSendPoint);
        QCOMPARE(form.NCAD1->cursor().shape(), Qt::CrossCursor);
        // What the view raises for the next press in it.
        form.NCAD1->OnSendAddedPoint(123.456, -45.678);
        QCOMPARE(w->NiceGrid1->RowCount(), 3);
        const QStringList row3 = {"3", "123.4600", "-45.6800", "0.0000", ""};
        for (int c = 0; c < 5; ++c)
            QCOMPARE(w->NiceGrid1->Cells(c, 2), row3[c]);
        QCOMPARE(form.NCAD1->cursor().shape(), Qt::PointingHandCursor);
        // Halves go to the even neighbour.
        w->AddSendPoint(0.125, 0.135);
        QCOMPARE(w->NiceGrid1->Cells(1, 3), QString("0.1200"));
        QCOMPARE(w->NiceGrid1->Cells(2, 3), QString("0.1400"));
        w->NiceGrid1->DeleteRow(3);
        // A place too large to round is refused whole and never sent (the bytes below).
        try {
            w->AddSendPoint(0.0, -1.7e308);
            QFAIL("an out-of-range point was added");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QString::fromUtf8("Y -1.7e+308)가 범위를 벗어나")), e.what());
        }
        QCOMPARE(w->NiceGrid1->RowCount(), 3);
        // Edits in the upload table stay there.
        w->NiceGrid1->model()->setData(w->NiceGrid1->model()->index(1, 4), "EDITED");
        m_boxes.decide = [](const Dialogs::Box& b) {
            return b.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::Yes : Dialogs::Answer::Ok;
        };
        w->Button2->click();
        const std::string expected = "1,100.5,200,3,PT\n\r\r\n2,5,6,7,EDITED\n\r\r\n"
                                     "3,123.4600,-45.6800,0.0000,\n\r\r\n";
        QVERIFY(sim->WaitReceived(expected.size(), std::chrono::seconds(5)));
        QTest::qWait(50);
        QCOMPARE(sim->Received(), expected);
        QCOMPARE(form.NiceGrid1->Cells(4, 1), QString("경계"));

        // The next upload command reloads the table from the main table.
        form.btnUpload->click();
        QCOMPARE(w->NiceGrid1->RowCount(), 2);
        QCOMPARE(w->NiceGrid1->Cells(4, 1), QString("경계"));
        // After a deletion the row's number may already name a point: the pick takes the next free one.
        w->NiceGrid1->DeleteRow(0);
        w->AddSendPoint(1.0, 2.0);
        QCOMPARE(w->NiceGrid1->Cells(0, 0), QString("2"));
        QCOMPARE(w->NiceGrid1->Cells(0, 1), QString("3"));
    }

    void answerNoSendsNothingButClosesThePort() {
        auto sim = fastInstrument();
        TMainForm form;
        form.show();
        form.ComPort->SetPort(sim->PortPath());
        form.ImportPointLines(TPointLines::FromUtf8("1,1,2,3,A\n"));
        form.ComPort->Open(); // left open by a cancelled receive
        QVERIFY(sim->WaitPortOpen(std::chrono::seconds(5)));
        form.btnUpload->click();
        m_boxes.decide = [](const Dialogs::Box&) { return Dialogs::Answer::No; };
        form.UploadWindow->Button2->click();
        QCOMPARE(m_boxes.seen.size(), 1); // the question only
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(!form.UploadWindow->isVisible());
        QVERIFY(sim->WaitPortClosed(std::chrono::seconds(2)));
        QCOMPARE(sim->Counts().Received, size_t(0));
    }

    // The instrument holds the line with XOFF. The window stays live: the send ends when no
    // byte has left for the stall limit, when the user cancels, or when the port closes
    // under it (a hang-up); each way it says what happened, the port is closed and the
    // window stays for another try.
    void uploadThatDoesNotGetThrough_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("told");
        QTest::newRow("stalled") << "stall" << "24 바이트 중 0 바이트만 보냈습니다";
        QTest::newRow("cancelled") << "cancel" << "전송을 취소했습니다: 24 바이트 중 0 바이트를 보냈습니다.\n포트: {dev} (4800 bit/s)";
        QTest::newRow("port closed by a hang-up") << "hang-up" << "WriteFile function failed (win error code: 5)\n{dev}: Input/output error";
    }
    void uploadThatDoesNotGetThrough() {
        QFETCH(QString, ending);
        QFETCH(QString, told);
        PtyPair pty;
        told.replace("{dev}", QString::fromStdString(pty.SlavePath));
        TMainForm form;
        form.show();
        form.ComPort->SetPort(pty.SlavePath);
        form.UploadWindow->StallLimit = std::chrono::milliseconds(ending == "stall" ? 300 : 20000);
        form.ImportPointLines(TPointLines::FromUtf8("1,100.5,200.25,10,PT\n"));
        form.ComPort->Open();
        QVERIFY(pty.Send("\x13"));
        QTest::qWait(50);
        form.btnUpload->click();
        m_boxes.decide = [](const Dialogs::Box& b) {
            return b.buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::Yes : Dialogs::Answer::Ok;
        };
        bool progressShown = false;
        if (ending != "stall")
            QTimer::singleShot(200, [&] {
                auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
                progressShown = progress != nullptr;
                if (ending == "cancel" && progress)
                    progress->cancel();
                else
                    form.ComPort->Close();
            });
        QElapsedTimer clock;
        clock.start();
        form.UploadWindow->Button2->click();
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(progressShown, ending != "stall");
        QCOMPARE(m_boxes.seen.size(), 2);
        QVERIFY2(m_boxes.titled()[1].contains(told), qPrintable(m_boxes.titled()[1]));
        QVERIFY(!m_boxes.titled().join("\n").contains(QString::fromUtf8("전송이 완료되었습니다.")));
        QVERIFY(form.UploadWindow->isVisible());
        QVERIFY(!form.ComPort->Connected());
        QVERIFY(pty.Send("\x11")); // nothing left to trickle out once the line is free
        QCOMPARE(pty.Receive(100), std::string());
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainRecv t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainrecv.moc"
