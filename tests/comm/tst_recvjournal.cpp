#include "comm/RecvFiles.h"
#include "comm/UploadText.h"
#include "io/FileError.h"

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
} // namespace

class TestRecvJournal : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { RecvFiles::SetFolders("", ""); }

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
