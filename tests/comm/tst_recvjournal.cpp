#include "comm/RecvFiles.h"
#include "comm/RecvSession.h"
#include "comm/UploadText.h"
#include "io/FileError.h"
#include "io/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
QByteArray fileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A disk that fills up after `room` bytes (-1: never).
struct FillingDisk : TFileSystemCalls {
    long long room;
    explicit FillingDisk(long long r) : room(r) {}
    ssize_t Write(int fd, const char* data, size_t size) override {
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = room < 0 ? size : std::min(size, static_cast<size_t>(room));
        if (room > 0)
            room -= static_cast<long long>(n);
        return TFileSystemCalls::Write(fd, data, n);
    }
};
} // namespace

class TestRecvJournal : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        RecvFiles::SetFolders("", "");
        RecvFiles::SetBufferFileCalls(nullptr);
    }

    void journalHoldsEveryByteAsItArrives() {
        QTemporaryDir dir;
        TRecvJournal journal(dir.filePath("j").toStdString());
        QVERIFY(journal.Path().empty());
        journal.Append("");
        QVERIFY(journal.Path().empty()); // no file for a receive that got nothing
        const std::string first("1,10.5,20\r\n2,3", 14);
        journal.Append(first);
        const std::string path = journal.Path();
        QVERIFY(!path.empty());
        // Written through at once: readable before any sync or close; by the user only.
        QCOMPARE(fileBytes(path), QByteArray::fromStdString(first));
        struct stat st {};
        QCOMPARE(::stat(path.c_str(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        journal.Append(std::string("\0\xB0\xA1\r", 4));
        QCOMPARE(fileBytes(path), QByteArray::fromStdString(first + std::string("\0\xB0\xA1\r", 4)));
        journal.Restart();
        journal.Append("x");
        QVERIFY(journal.Path() != path);
        QCOMPARE(fileBytes(path).size(), 18); // the old journal stays as it was
    }

    void onlyTheNewestTwentyStay() {
        QTemporaryDir dir;
        const std::string folder = dir.filePath("j").toStdString();
        std::vector<std::string> paths;
        TRecvJournal journal(folder);
        for (int i = 0; i < 25; ++i) {
            journal.Restart();
            journal.Append(std::to_string(i));
            paths.push_back(journal.Path());
        }
        QDir d(QString::fromStdString(folder));
        const QStringList left = d.entryList(QDir::Files, QDir::Name);
        QCOMPARE(left.size(), 20);
        for (int i = 0; i < 25; ++i)
            QCOMPARE(QFile::exists(QString::fromStdString(paths[static_cast<size_t>(i)])), i >= 5);
        QCOMPARE(fileBytes(paths.back()), QByteArray("24"));
        // Files of other names in the folder are left alone.
        QFile other(d.filePath("notes.txt"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        journal.Restart();
        journal.Append("25");
        QVERIFY(other.exists());
        QCOMPARE(d.entryList({"receive-*.dat"}, QDir::Files).size(), 20);
        // A clock set back (a flat CMOS battery): the journal in use is named older than
        // all the others, yet it stays.
        for (int i = 0; i < 20; ++i) {
            QFile later(d.filePath(QString("receive-29991231-235959-%1.dat").arg(i, 6, 10, QChar('0'))));
            QVERIFY(later.open(QIODevice::WriteOnly));
        }
        journal.Restart();
        journal.Append("26");
        QCOMPARE(fileBytes(journal.Path()), QByteArray("26"));
    }

    void unwritableJournalFailsOnceThenStaysQuiet() {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QTemporaryDir dir;
        QVERIFY(::chmod(dir.path().toLocal8Bit().constData(), 0500) == 0);
        TRecvJournal journal(dir.filePath("j").toStdString());
        QVERIFY_THROWS_EXCEPTION(EFileError, journal.Append("abc"));
        journal.Append("def"); // the rest of this receive is not journalled, no error storm
        ::chmod(dir.path().toLocal8Bit().constData(), 0700);
    }

    // A full disk under OUT or under the journal does not end a receive: every byte is
    // still taken, OUT is replaced only when it holds them all, and the words say where
    // the bytes are. A journal the disk left empty is not kept.
    void fullDisk_data() {
        QTest::addColumn<int>("outRoom"); // bytes; -1: room enough
        QTest::addColumn<int>("journalRoom");
        QTest::addColumn<QByteArray>("outAfter");
        QTest::addColumn<int>("journalBytes"); // -1: no journal file
        QTest::addColumn<QString>("where");    // {j}: the journal
        QTest::newRow("OUT's disk fills") << 25 << -1 << QByteArray("old") << 60 << "all 60 bytes are kept in {j}";
        QTest::newRow("the journal's disk fills") << -1 << 25 << QByteArray(60, 'x') << 25 << "";
        QTest::newRow("both disks full from the start")
            << 0 << 0 << QByteArray("old") << -1
            << "no copy of the 60 bytes could be kept (Cannot write file \"{j}"; // the journal's name carries the time
        QTest::newRow("both fill, the journal later")
            << 10 << 40 << QByteArray("old") << 40
            << "the first 40 of 60 bytes are kept in {j}; the other 20 could not be kept "
               "(Cannot write file \"{j}\". Disk full)";
    }
    void fullDisk() {
        QFETCH(int, outRoom);
        QFETCH(int, journalRoom);
        QFETCH(QByteArray, outAfter);
        QFETCH(int, journalBytes);
        QFETCH(QString, where);
        QTemporaryDir dir;
        const std::string out = dir.filePath("job.txt").toStdString();
        QFile old(QString::fromStdString(out));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        FillingDisk outDisk(outRoom), journalDisk(journalRoom);
        const std::string folder = dir.filePath("j").toStdString();
        TRecvJournal journal(folder, 20, &journalDisk);
        TRecvOutput output(out, &journal, &outDisk);
        QStringList warnings;
        for (int i = 0; i < 3; ++i)
            warnings << QString::fromStdString(output.Append(std::string(20, 'x')));
        QCOMPARE(output.Bytes(), 60);
        const bool complete = outRoom < 0;
        QCOMPARE(output.Commit(), complete);
        QCOMPARE(fileBytes(out), outAfter);
        QCOMPARE(warnings.join("").isEmpty(), outRoom < 0 && journalRoom < 0);
        const QStringList journals = QDir(QString::fromStdString(folder)).entryList(QDir::Files);
        QCOMPARE(journals.size(), journalBytes < 0 ? 0 : 1);
        const std::string path = journal.Path();
        QCOMPARE(path.empty(), journalBytes < 0);
        if (journalBytes >= 0)
            QCOMPARE(fileBytes(path), QByteArray(journalBytes, 'x'));
        if (!complete) {
            QCOMPARE(output.OutFailure(), "Cannot write file \"" + out + "\". Disk full");
            const QString j = QString::fromStdString(path.empty() ? folder + "/receive-" : path);
            QVERIFY2(QString::fromStdString(output.Where()).startsWith(where.replace("{j}", j)),
                     output.Where().c_str());
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"job.txt"});
    }

    // A receive counts lines as the point reader reads them, whatever pieces the line
    // delivers, and at its end names the files that hold every byte: temp.dat, else the
    // journal when a full disk kept temp.dat from being written.
    void sessionCountsAndKeeps_data() {
        QTest::addColumn<QByteArrayList>("pieces");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("openLine");
        QTest::addColumn<bool>("diskFull"); // under temp.dat
        QTest::newRow("CR LF split between pieces") << QByteArrayList{"1,2\r", "\n2,3\r\n"} << 2 << false << false;
        QTest::newRow("lone CR, lone LF, open last line") << QByteArrayList{"1\r2\n", "3"} << 3 << true << false;
        QTest::newRow("CR CR LF ends two lines") << QByteArrayList{"1\r", "\r\n"} << 2 << false << false;
        QTest::newRow("empty pieces, disk full") << QByteArrayList{"", "a,b", ""} << 1 << true << true;
        QTest::newRow("nothing came") << QByteArrayList{} << 0 << false << false;
    }
    void sessionCountsAndKeeps() {
        QFETCH(QByteArrayList, pieces);
        QFETCH(int, lines);
        QFETCH(bool, openLine);
        QFETCH(bool, diskFull);
        QTemporaryDir dir;
        RecvFiles::SetFolders(dir.path().toStdString(), dir.filePath("data").toStdString());
        FillingDisk full(0);
        if (diskFull)
            RecvFiles::SetBufferFileCalls(&full);
        TRecvSession session;
        std::string all, shown;
        session.OnArrived = [&](std::string_view bytes, bool) { shown += bytes; };
        for (const QByteArray& piece : pieces) {
            session.Take(piece.toStdString());
            all += piece.toStdString();
        }
        QCOMPARE(shown, all);
        QCOMPARE(session.Bytes(), all);
        QCOMPARE(session.ByteCount(), static_cast<long long>(all.size()));
        QCOMPARE(session.LineCount(), lines);
        QCOMPARE(session.OpenLine(), openLine);
        const std::string held = session.Finish();
        // Nothing is cut without a hang-up or an early end.
        QCOMPARE(session.WholeLines(), std::string_view(all));
        QVERIFY(!session.End().CutShort());
        QCOMPARE(session.End().BufferError.empty(), !diskFull);
        std::vector<std::string> expected;
        if (!diskFull)
            expected.push_back(dir.filePath("temp.dat").toStdString());
        if (!all.empty())
            expected.push_back(session.JournalPath());
        QCOMPARE(session.KeptIn(), expected);
        QCOMPARE(held, expected.empty() ? std::string() : expected.front());
        for (const std::string& file : expected)
            QCOMPARE(fileBytes(file), QByteArray::fromStdString(all));
    }

    void journalFolderBehindALinkToNothing() {
        QTemporaryDir dir;
        const std::string data = dir.filePath("data").toStdString();
        QCOMPARE(::symlink("/nonexistent/place", data.c_str()), 0);
        RecvFiles::SetFolders(dir.path().toStdString(), data);
        try {
            RecvFiles::JournalFolder();
            QFAIL("no error raised");
        } catch (const EFileError& e) {
            QCOMPARE(QString(e.what()), QString::fromStdString("Cannot create folder \"" + data +
                                                               "\". \"" + data + "\" is a link to "
                                                               "\"/nonexistent/place\", which does not exist"));
        }
    }

    void bufferFileGoesToTheProgramFolderWhenWritable() {
        QTemporaryDir dir;
        const std::string program = dir.filePath("bin").toStdString();
        const std::string data = dir.filePath("data").toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(program)));
        RecvFiles::SetFolders(program, data);
        QCOMPARE(RecvFiles::BufferFilePath(), program + "/temp.dat");
        QCOMPARE(RecvFiles::JournalFolder(), data + "/receive-journal");
        QVERIFY(QDir(QString::fromStdString(data + "/receive-journal")).exists());
        if (::geteuid() != 0) {
            QVERIFY(::chmod(program.c_str(), 0500) == 0);
            QCOMPARE(RecvFiles::BufferFilePath(), data + "/temp.dat");
            ::chmod(program.c_str(), 0700);
        }
        RecvFiles::SetFolders(program, "");
        qputenv("XDG_DATA_HOME", dir.filePath("xdg").toLocal8Bit());
        QCOMPARE(RecvFiles::DataFolder(), dir.filePath("xdg/PointBridge").toStdString());
    }

    // temp.dat is the program's own: whatever was planted under its name is replaced, no
    // link is followed, and only the user can read it.
    void bufferFileNeverFollowsALink_data() {
        QTest::addColumn<QString>("planted");
        QTest::newRow("nothing") << "";
        QTest::newRow("a file anyone can read") << "file";
        QTest::newRow("link to the user's file") << "link";
        QTest::newRow("link to nowhere") << "dangling";
    }
    void bufferFileNeverFollowsALink() {
        QFETCH(QString, planted);
        QTemporaryDir dir;
        const std::string program = dir.filePath("bin").toStdString();
        QVERIFY(QDir().mkpath(QString::fromStdString(program)));
        RecvFiles::SetFolders(program, dir.filePath("data").toStdString());
        const std::string buffer = program + "/temp.dat";
        const std::string victim = dir.filePath("victim.txt").toStdString();
        QFile v(QString::fromStdString(victim));
        QVERIFY(v.open(QIODevice::WriteOnly));
        v.write("precious");
        v.close();
        if (planted == "file") {
            QFile f(QString::fromStdString(buffer));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.close();
            ::chmod(buffer.c_str(), 0644);
        } else if (planted == "link") {
            QCOMPARE(::symlink(victim.c_str(), buffer.c_str()), 0);
        } else if (planted == "dangling") {
            QCOMPARE(::symlink((program + "/gone").c_str(), buffer.c_str()), 0);
        }
        QCOMPARE(RecvFiles::WriteBufferFile("1,2,3,4,A\r\n"), buffer);
        struct stat st {};
        QCOMPARE(::lstat(buffer.c_str(), &st), 0);
        QVERIFY(S_ISREG(st.st_mode));
        QCOMPARE(int(st.st_mode & 0777), 0600);
        QCOMPARE(fileBytes(buffer), QByteArray("1,2,3,4,A\r\n"));
        QCOMPARE(fileBytes(victim), QByteArray("precious"));
        QVERIFY(!QFile::exists(QString::fromStdString(program + "/gone")));
    }

    void uploadWireFormat() {
        // Two rows: every row ends LF CR CR LF, empty cells give empty fields.
        const std::string text = UploadWireText({{"1", "100.5", "200.25", "10", "PT"}, {"2", "", "", "", ""}});
        QCOMPARE(text, std::string("1,100.5,200.25,10,PT\n\r\r\n2,,,,\n\r\r\n"));
        QCOMPARE(text.size(), size_t(33));
        QCOMPARE(UploadWireText({}), std::string());
        // Codes go out in CP949; commas inside cells are not escaped.
        QCOMPARE(UploadWireText({{"3", "1", "2", "0", "경계,A"}}),
                 std::string("3,1,2,0,\xB0\xE6\xB0\xE8,A\n\r\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestRecvJournal)
#include "tst_recvjournal.moc"
