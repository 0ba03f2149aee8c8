// Replacing files: what a killed or interrupted save leaves behind.
#include "app/cli/CliSignals.h"
#include "io/FileError.h"
#include "io/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

constexpr uid_t kNobody = 65534;

// Saves `bytes` to `path` as user `uid` (in a child process when that is not us); the
// error's message, empty when saved.
QString saveAs(uid_t uid, const QString& path, const char* bytes) {
    auto save = [&]() -> std::string {
        try {
            ReplaceFileContents(path.toStdString(), bytes);
            return {};
        } catch (const EFileError& e) {
            return e.what();
        }
    };
    if (uid == ::geteuid())
        return QString::fromStdString(save());
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string message = "cannot change user";
        if (::setgid(uid) == 0 && ::setuid(uid) == 0)
            message = save();
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], message.data(), message.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray message;
    char buf[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        message.append(buf, n);
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(message);
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

} // namespace

class TestSafeFile : public QObject {
    Q_OBJECT
private slots:
    // A signal in the middle of a save: by default the temporary goes and the program ends
    // as the signal would; a command that asked for a wake goes on and can still commit.
    void signalDuringASave_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("wake");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("SIGINT") << int(SIGINT) << false << QByteArray("old");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false << QByteArray("old");
        QTest::newRow("SIGHUP: the terminal closed") << int(SIGHUP) << false << QByteArray("old");
        QTest::newRow("SIGTERM, wake asked") << int(SIGTERM) << true << QByteArray("new");
    }
    void signalDuringASave() {
        QFETCH(int, signal);
        QFETCH(bool, wake);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath("job.txt");
        writeFile(path, "old");
        const pid_t child = ::fork();
        if (child == 0) {
            CliSignals::Install();
            if (wake)
                CliSignals::RequestWake();
            TSafeFileWriter file(path.toStdString());
            file.Write("new");
            ::raise(signal);
            pollfd p{CliSignals::WakeFd(), POLLIN, 0};
            if (CliSignals::Received() == signal && ::poll(&p, 1, 0) == 1)
                file.Commit();
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (wake) {
            QVERIFY(WIFEXITED(status));
        } else {
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(WTERMSIG(status), signal);
        }
        QCOMPARE(readFile(path), after);
        QCOMPARE(entries(dir.path()), QStringList{"job.txt"});
    }

    // A signal at any moment of saves one after another: never a temporary left behind,
    // also from the moment one is made until it is known to the handler.
    void signalAtAnyMomentLeavesNoTemporary() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("job.txt").toStdString();
        unsigned seed = 1;
        for (int attempt = 0; attempt < 200; ++attempt) {
            int ready[2];
            QCOMPARE(::pipe(ready), 0);
            const pid_t child = ::fork();
            if (child == 0) {
                CliSignals::Install();
                [[maybe_unused]] const ssize_t n = ::write(ready[1], "r", 1);
                for (;;)
                    TSafeFileWriter file(path);
            }
            char byte;
            QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));
            ::close(ready[0]);
            ::close(ready[1]);
            seed = seed * 1103515245u + 12345u;
            ::usleep((seed >> 8) % 500);
            ::kill(child, SIGTERM);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFSIGNALED(status));
            QCOMPARE(entries(dir.path()), QStringList());
        }
    }

    // Temporaries a killed save left: a later save in the same folder, of any name, removes
    // those that are provably ours and not held by a live save, and nothing else.
    void staleTemporaries_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<bool>("removed");
        QTest::newRow("old") << ".job.txt.pointbridge-Ab3xYz" << 3600 << false << true;
        QTest::newRow("a moment old: a killed save holds no lock") << ".job.txt.pointbridge-Ab3xYz" << 5 << false << true;
        QTest::newRow("locked by a live save") << ".job.txt.pointbridge-Ab3xYz" << 3600 << true << false;
        QTest::newRow("another file's") << ".jobs.txt.pointbridge-Ab3xYz" << 3600 << false << true;
        QTest::newRow("not our pattern") << ".job.txt.pointbridge-Ab3x-z" << 3600 << false << false;
        QTest::newRow("the user's hidden backup") << ".job.txt.backup" << 3600 << false << false;
    }
    void staleTemporaries() {
        QFETCH(QString, name);
        QFETCH(int, ageSeconds);
        QFETCH(bool, locked);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString stale = dir.filePath(name);
        writeFile(stale, "half a job");
        const std::string stalePath = stale.toStdString();
        const time_t then = ::time(nullptr) - ageSeconds;
        const utimbuf times{then, then};
        QCOMPARE(::utime(stalePath.c_str(), &times), 0);
        const int lock = ::open(stalePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (locked)
            QCOMPARE(::flock(lock, LOCK_EX), 0);
        ReplaceFileContents(dir.filePath("job.txt").toStdString(), "job");
        ::close(lock);
        QCOMPARE(QFile::exists(stale), !removed);
        QCOMPARE(readFile(dir.filePath("job.txt")), QByteArray("job"));
    }

    // What a save meets under the user's name: the file behind a link is replaced and the
    // link kept; a node that is not a regular file, or a file the user could not open for
    // writing, is refused and left alone; no set-ID bits are copied; names up to the
    // system's limit save.
    void targets_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("refusal"); // empty: saved
        QTest::newRow("link to a file") << "link" << "";
        QTest::newRow("link to a device") << "device" << "It is not a regular file (a device or a pipe)";
        QTest::newRow("pipe") << "fifo" << "It is not a regular file (a device or a pipe)";
        QTest::newRow("dangling link") << "dangling" << "It is a link to \"gone.txt\", which does not exist";
        QTest::newRow("link to itself") << "loop" << "Too many levels of symbolic links";
        QTest::newRow("set-ID file") << "setid" << "";
        QTest::newRow("248-byte name") << "long248" << "";
        QTest::newRow("255-byte name") << "long255" << "";
        QTest::newRow("own read-only file") << "readonly" << "File access denied";
        QTest::newRow("another user's file in a shared folder") << "others" << "File access denied";
    }
    void targets() {
        QFETCH(QString, kind);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const bool asRoot = ::geteuid() == 0;
        QString path = dir.filePath("job.txt");
        const std::string real = dir.filePath("real.txt").toStdString();
        if (kind == "link") {
            writeFile(dir.filePath("real.txt"), "old");
            QCOMPARE(::symlink("real.txt", path.toLocal8Bit().constData()), 0);
        } else if (kind == "device") {
            QCOMPARE(::symlink("/dev/null", path.toLocal8Bit().constData()), 0);
        } else if (kind == "fifo") {
            QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        } else if (kind == "dangling") {
            QCOMPARE(::symlink("gone.txt", path.toLocal8Bit().constData()), 0);
        } else if (kind == "loop") {
            QCOMPARE(::symlink("job.txt", path.toLocal8Bit().constData()), 0);
        } else if (kind == "setid") {
            writeFile(path, "old");
            QCOMPARE(::chmod(path.toLocal8Bit().constData(), 06750), 0);
        } else if (kind == "readonly" || kind == "others") {
            // Root may write anything, so as root the save runs as another user.
            if (kind == "others" && !asRoot)
                QSKIP("needs a second user: run as root");
            writeFile(path, "old");
            QCOMPARE(::chmod(dir.path().toLocal8Bit().constData(), 0777), 0);
            QCOMPARE(::chmod(path.toLocal8Bit().constData(), kind == "readonly" ? 0444 : 0644), 0);
            if (asRoot && kind == "readonly")
                QCOMPARE(::chown(path.toLocal8Bit().constData(), kNobody, kNobody), 0);
        } else {
            path = dir.filePath(QString(kind == "long248" ? 244 : 251, 'n') + ".txt");
        }
        const QStringList before = entries(dir.path());
        const bool otherUser = asRoot && (kind == "readonly" || kind == "others");
        const QString error = saveAs(otherUser ? kNobody : ::geteuid(), path, "job");
        QCOMPARE(error, refusal.isEmpty() ? QString() : "Cannot create file \"" + path + "\". " + refusal);
        if (kind == "readonly" || kind == "others")
            QCOMPARE(readFile(path), QByteArray("old"));
        struct stat st {};
        QCOMPARE(::lstat(path.toLocal8Bit().constData(), &st), 0);
        if (kind == "link" || kind == "device" || kind == "dangling" || kind == "loop")
            QVERIFY(S_ISLNK(st.st_mode));
        if (kind == "fifo")
            QVERIFY(S_ISFIFO(st.st_mode));
        if (kind == "link")
            QCOMPARE(readFile(QString::fromStdString(real)), QByteArray("job"));
        if (kind == "setid") {
            QCOMPARE(int(st.st_mode & 07777), 0750);
            QCOMPARE(readFile(path), QByteArray("job"));
        }
        if (kind.startsWith("long")) {
            QCOMPARE(readFile(path), QByteArray("job"));
            QCOMPARE(entries(dir.path()).size(), 1);
        } else {
            QCOMPARE(entries(dir.path()), before); // no temporary stays behind
        }
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
