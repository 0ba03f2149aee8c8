#include "io/FileError.h"
#include "io/PointImport.h"
#include "io/PointLine.h"
#include "io/PointWrite.h"
#include "io/SafeFile.h"
#include "model/NCADProject.h"
#include "text/Cp949.h"
#include "text/FieldText.h"
#include "text/NumText.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace {

struct Row {
    std::string cells[5];
    TPoint3D* point;
};

// Stores rows as the table does, with the link to each row's point.
struct RowList : TPointRowSink {
    std::vector<Row> rows;
    void AppendPointRow(const std::string (&cells)[5], TPoint3D* point) override {
        rows.push_back({{cells[0], cells[1], cells[2], cells[3], cells[4]}, point});
    }
};

QStringList split(const QByteArray& line) {
    std::vector<std::string> fields;
    const int n = SplitPointFields(std::string_view(line.constData(), line.size()), fields);
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QString::fromStdString(fields[static_cast<size_t>(i)]);
    return out;
}

QStringList cells(const Row& r) {
    QStringList out;
    for (const std::string& c : r.cells)
        out << QString::fromStdString(c);
    return out;
}

std::string readBytes(const QString& path) {
    std::ifstream f(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void writeBytes(const QString& path, const std::string& bytes) {
    std::ofstream f(path.toStdString(), std::ios::binary);
    f << bytes;
}

// A disk that fills up after `room` bytes.
struct FillingDisk : TFileSystemCalls {
    size_t room;
    explicit FillingDisk(size_t r) : room(r) {}
    ssize_t Write(int fd, const char* data, size_t size) override {
        if (room == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min(size, room);
        room -= n;
        return TFileSystemCalls::Write(fd, data, n);
    }
};

QStringList folderEntries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

class TestPointFile : public QObject {
    Q_OBJECT
private slots:
    void splitter_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("empty field") << QByteArray("a,,b") << QStringList{"a", "", "b"};
        QTest::newRow("blank") << QByteArray("a b") << QStringList{"a", "b"};
        QTest::newRow("blanks around comma") << QByteArray("a , b") << QStringList{"a", "b"};
        QTest::newRow("trailing comma") << QByteArray("a,") << QStringList{"a", ""};
        QTest::newRow("comma then blank") << QByteArray("a, ") << QStringList{"a"};
        QTest::newRow("two trailing commas") << QByteArray("a,,") << QStringList{"a", "", ""};
        QTest::newRow("empty") << QByteArray("") << QStringList{};
        QTest::newRow("blanks only") << QByteArray(" \t ") << QStringList{};
        QTest::newRow("leading controls") << QByteArray("\x01\x1f a\tb") << QStringList{"a", "b"};
        QTest::newRow("leading comma") << QByteArray(", 1") << QStringList{"", "1"};
        QTest::newRow("quoted blank and comma")
            << QByteArray("\"a b,c\",d") << QStringList{"a b,c", "d"};
        QTest::newRow("doubled quote") << QByteArray("\"say \"\"hi\"\"\"") << QStringList{"say \"hi\""};
        QTest::newRow("text after quote") << QByteArray("\"ab\"cd,e") << QStringList{"ab", "cd", "e"};
        QTest::newRow("open quote") << QByteArray("\"ab, c") << QStringList{"ab, c"};
        QTest::newRow("quote inside") << QByteArray("a\"b,c") << QStringList{"a\"b", "c"};
        QTest::newRow("NUL is data") << QByteArray("a\0b,c", 5) << QStringList{QString("a") + QChar(0) + "b", "c"};
    }
    void splitter() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, fields);
        QCOMPARE(split(line), fields);
    }

    void records_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("z");
        const QStringList p1{"P1", "100.5", "200.25", "10", "A"};
        QTest::newRow("lower-case code") << QByteArray("P1,100.5,200.25,10,a") << p1 << 100.5 << 200.25 << 10.0;
        QTest::newRow("blanks for commas") << QByteArray("P1 100.5 200.25 10 a") << p1 << 100.5 << 200.25 << 10.0;
        QTest::newRow("empty Z") << QByteArray("P2,1,2,,b")
                                 << QStringList{"P2", "1", "2", "0", "B"} << 1.0 << 2.0 << 0.0;
        QTest::newRow("blank quoted Z") << QByteArray("P2,1,2,\" \",b")
                                        << QStringList{"P2", "1", "2", " ", "B"} << 1.0 << 2.0 << 0.0;
        QTest::newRow("four fields") << QByteArray("P3,1.5,-2,road")
                                     << QStringList{"P3", "1.5", "-2", "0.00", "ROAD"} << 1.5 << -2.0 << 0.0;
        QTest::newRow("extra fields ignored") << QByteArray("P4,1,2,3,c,x,y")
                                              << QStringList{"P4", "1", "2", "3", "C"} << 1.0 << 2.0 << 3.0;
        QTest::newRow("exponent and sign") << QByteArray("E, +1E3, -2.5e-1, 1., k")
                                           << QStringList{"E", "+1E3", "-2.5e-1", "1.", "K"} << 1000.0 << -0.25 << 1.0;
        QTest::newRow("quoted code keeps blank") << QByteArray("Q,1,2,3,\"a b\"")
                                                 << QStringList{"Q", "1", "2", "3", "A B"} << 1.0 << 2.0 << 3.0;
        QTest::newRow("unquoted code splits") << QByteArray("Q,1,2,3,a b")
                                              << QStringList{"Q", "1", "2", "3", "A"} << 1.0 << 2.0 << 3.0;
        QTest::newRow("Korean code stays") << QByteArray("K,1,2,3,측점a")
                                           << QStringList{"K", "1", "2", "3", "측점A"} << 1.0 << 2.0 << 3.0;
    }
    void records() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, row);
        TPointLineReader reader;
        TPointRecord r;
        QVERIFY(reader.Read(std::string_view(line.constData(), line.size()), r));
        QStringList got;
        for (const std::string& c : r.Cells)
            got << QString::fromStdString(c);
        QCOMPARE(got, row);
        QTEST(r.X, "x");
        QTEST(r.Y, "y");
        QTEST(r.Z, "z");
    }

    void faultyLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("one field") << QByteArray("P1") << "List index out of bounds (1)";
        QTest::newRow("two fields") << QByteArray("P1,1") << "List index out of bounds (2)";
        QTest::newRow("three fields") << QByteArray("P1 1 2") << "List index out of bounds (3)";
        QTest::newRow("trailing comma makes four") << QByteArray("P1,1,2,") << "";
        QTest::newRow("bad X") << QByteArray("P1,1,2,3,4") << "";
        QTest::newRow("bad Y") << QByteArray("P1,1,2y,3,A") << "'2y' is not a valid floating point value";
        QTest::newRow("bad Z") << QByteArray("P1,1,2,z,A") << "'z' is not a valid floating point value";
        QTest::newRow("code taken as Z") << QByteArray("P1,1,2,A,") << "'A' is not a valid floating point value";
        QTest::newRow("decimal comma") << QByteArray("P1,\"1,5\",2,3,A") << "'1,5' is not a valid floating point value";
        QTest::newRow("nan") << QByteArray("P1,nan,2,3,A") << "'nan' is not a valid floating point value";
    }
    void faultyLines() {
        QFETCH(QByteArray, line);
        QFETCH(QString, message);
        TPointLineReader reader;
        TPointRecord r;
        try {
            reader.Read(std::string_view(line.constData(), line.size()), r);
            QVERIFY2(message.isEmpty(), "no error raised");
        } catch (const std::exception& e) {
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
    }

    void importGroupsAndRows() {
        TNCADProject project;
        RowList sink;
        const auto lines = TPointLines::FromUtf8("A1,1,1,1,a\r\nB1,2,2,2,B\nA2,3,3,3,A\rx,4,4,4,a\n");
        QCOMPARE(ImportPointLines(lines, project, &sink), 4);
        // One group for a and A, named upper-case; groups in order of first appearance.
        QCOMPARE(project.Count(), 2);
        QCOMPARE(project.GetItem(0)->Code(), std::string("A"));
        QCOMPARE(project.GetItem(0)->PointCount(), 3);
        QCOMPARE(project.GetItem(0)->GetPoint(2)->ID, std::string("x"));
        QCOMPARE(project.GetItem(1)->Code(), std::string("B"));
        // Rows keep line order, each tied to its own point.
        QCOMPARE(sink.rows.size(), size_t(4));
        QCOMPARE(cells(sink.rows[1]), (QStringList{"B1", "2", "2", "2", "B"}));
        QCOMPARE(sink.rows[1].point, project.GetItem(1)->GetPoint(0));
        QCOMPARE(sink.rows[2].point, project.GetItem(0)->GetPoint(1));
        QCOMPARE(sink.rows[3].point->ID, std::string("x"));
    }

    // An empty line ends the data; the lines with fields after it are counted as unread.
    void importEnds_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("errorLine");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("endLine");
        QTest::addColumn<int>("unread");
        QTest::newRow("empty line ends") << QByteArray("a,1,2,3,A\r\n\r\nb,1,2,3,B\r\nbad\r\n") << 1 << 0 << "" << 2 << 2;
        QTest::newRow("blank line ends") << QByteArray("a,1,2,3,A\n \t\nb,1,2,3,B\n") << 1 << 0 << "" << 2 << 1;
        QTest::newRow("blank lines at the end") << QByteArray("a,1,2,3,A\n\n \n\n") << 1 << 0 << "" << 0 << 0;
        QTest::newRow("empty file") << QByteArray("") << 0 << 0 << "" << 0 << 0;
        QTest::newRow("first line empty") << QByteArray("\r\na,1,2,3,A") << 0 << 0 << "" << 1 << 1;
        QTest::newRow("last line without end") << QByteArray("a,1,2,3,A\nb,1,2,3,B") << 2 << 0 << "" << 0 << 0;
        QTest::newRow("lines before a fault stay") << QByteArray("a,1,2,3,A\nb,1,2,3,B\nc,1\nd,1,2,3,D\n")
                                                   << 2 << 3 << "List index out of bounds (2)" << 0 << 0;
        QTest::newRow("bad number on line 2") << QByteArray("a,1,2,3,A\r\nb,1,x,3,B\r\n")
                                              << 1 << 2 << "'x' is not a valid floating point value" << 0 << 0;
    }
    void importEnds() {
        QFETCH(QByteArray, text);
        QFETCH(int, points);
        QFETCH(int, errorLine);
        QFETCH(QString, message);
        QFETCH(int, endLine);
        QFETCH(int, unread);
        TNCADProject project;
        RowList sink;
        int line = 0;
        TDataEnd end;
        try {
            ImportPointLines(TPointLines::FromFileBytes(text.toStdString()), project, &sink, nullptr, &end);
        } catch (const EPointLineError& e) {
            line = e.Line();
            QCOMPARE(QString::fromUtf8(e.what()), message);
        }
        QCOMPARE(line, errorLine);
        QCOMPARE(project.TotalPointCount(), points);
        QCOMPARE(int(sink.rows.size()), points);
        QCOMPARE(end.Line, endLine);
        QCOMPARE(end.Unread, unread);
    }

    void progressReports() {
        std::vector<std::pair<size_t, size_t>> reports;
        TImportProgress progress;
        progress.LinesBetweenReports = 2;
        progress.Report = [&](size_t done, size_t total) { reports.push_back({done, total}); };
        const std::string text = "a,1,2,3,A\nb,1,2,3,A\nc,1,2,3,A\nd,1,2,3,A\ne,1,2,3,A\n";
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8(text), project, nullptr, &progress);
        QCOMPARE(reports.size(), size_t(2));
        QCOMPARE(reports[0], std::make_pair(size_t(20), text.size()));
        QCOMPARE(reports[1], std::make_pair(size_t(40), text.size()));
    }

    // The reading that makes sense wins; what is saved again is the same text in CP949.
    void encodings_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QStringList>("firstRow");
        QTest::addColumn<int>("groups");
        QTest::addColumn<QByteArray>("saved");
        // Decoded before upper-casing, since a trail byte can be an ASCII letter ("갵" is 81 61).
        QTest::newRow("cp949") << QByteArray("\xC3\xF8\xC1\xA1,1,2,3,\x81\x61\r\n")
                               << int(TLineEncoding::Cp949) << QStringList{"측점", "1", "2", "3", "갵"} << 1
                               << QByteArray("\xC3\xF8\xC1\xA1, 1.0000, 2.0000, 3.0000, \x81\x61\r\n");
        // 창 (C3 A2) and 책 (C3 A5) are valid UTF-8 too ("â", "å").
        QTest::newRow("cp949 that is valid utf-8")
            << QByteArray("1,10,20,0,\xC3\xA2\r\n2,11,21,0,\xC3\xA5\r\n") << int(TLineEncoding::Cp949)
            << QStringList{"1", "10", "20", "0", "창"} << 2
            << QByteArray("1, 10.0000, 20.0000, 0.0000, \xC3\xA2\r\n2, 11.0000, 21.0000, 0.0000, \xC3\xA5\r\n");
        // A lead byte with a blank after it is a broken pair, not a field end: nothing of the
        // code is lost, and it goes out as it came.
        QTest::newRow("cp949 broken pair") << QByteArray("P1,1,2,3,\xB0 x\r\n") << int(TLineEncoding::Cp949)
                                           << QStringList{"P1", "1", "2", "3", QString(QChar(0xF7B0)) + QChar(0xF720) + "X"}
                                           << 1 << QByteArray("P1, 1.0000, 2.0000, 3.0000, \xB0 X\r\n");
        // A job edited on two machines: each line is read in its own encoding, one group.
        QTest::newRow("cp949 and utf-8 lines") << QByteArray("1,1,2,3,\xB0\xE6\xB0\xE8\r\n2,1,2,3,경계\r\n")
                                               << int(TLineEncoding::Utf8) << QStringList{"1", "1", "2", "3", "경계"} << 1
                                               << QByteArray("1, 1.0000, 2.0000, 3.0000, \xB0\xE6\xB0\xE8\r\n"
                                                             "2, 1.0000, 2.0000, 3.0000, \xB0\xE6\xB0\xE8\r\n");
        QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF측점,1,2,3,코드a\n") << int(TLineEncoding::Utf8)
                                        << QStringList{"측점", "1", "2", "3", "코드A"} << 1
                                        << QByteArray("\xC3\xF8\xC1\xA1, 1.0000, 2.0000, 3.0000, \xC4\xDA\xB5\xE5\x41\r\n");
        QTest::newRow("utf-8") << QByteArray("경계,1,2,3,x\n") << int(TLineEncoding::Utf8)
                               << QStringList{"경계", "1", "2", "3", "X"} << 1
                               << QByteArray("\xB0\xE6\xB0\xE8, 1.0000, 2.0000, 3.0000, X\r\n");
    }
    void encodings() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QFETCH(QStringList, firstRow);
        QFETCH(int, groups);
        QFETCH(QByteArray, saved);
        const auto lines = TPointLines::FromFileBytes(bytes.toStdString());
        QCOMPARE(int(lines.Encoding()), encoding);
        TNCADProject project;
        RowList sink;
        ImportPointLines(lines, project, &sink);
        QCOMPARE(cells(sink.rows[0]), firstRow);
        QCOMPARE(project.Count(), groups);
        QCOMPARE(QByteArray::fromStdString(FormatPointFile(project)), saved);
    }

    void invalidCp949SurvivesASave() {
        // What is read and saved again gives the same bytes back.
        const std::string original = "\xFF\x81\xC3,1.0000, 2.0000, 3.0000, \xC3\xF8\x80\r\n";
        TNCADProject project;
        ImportPointLines(TPointLines::FromFileBytes(original), project, nullptr);
        QCOMPARE(project.TotalPointCount(), 1);
        const std::string saved = FormatPointFile(project);
        TNCADProject again;
        ImportPointLines(TPointLines::FromFileBytes(saved), again, nullptr);
        QCOMPARE(again.GetItem(0)->GetPoint(0)->ID, project.GetItem(0)->GetPoint(0)->ID);
        QCOMPARE(again.GetItem(0)->Code(), project.GetItem(0)->Code());
        QCOMPARE(saved.substr(saved.size() - 5), std::string("\xC3\xF8\x80\r\n"));
    }

    // A character CP949 lacks stops the save with the line that holds it; nothing is written.
    void unencodableCharacterStopsTheSave() {
        QTemporaryDir dir;
        const QString path = dir.filePath("job.txt");
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,a\nA2,1,2,3,a\nP\xF0\x9F\x98\x80,4,5,6,b\n"), project, nullptr);
        try {
            SavePointFile(project, path.toStdString());
            QFAIL("saved");
        } catch (const Cp949::EUnencodable& e) {
            QCOMPARE(QString::fromUtf8(e.what()),
                     QString::fromUtf8("3번째 줄(측점 \"P😀\"): CP949로 쓸 수 없는 문자 \"😀\"(U+1F600). "
                                       "파일을 저장하지 않았습니다."));
        }
        QCOMPARE(folderEntries(dir.path()), QStringList{});
    }

    void hugeAndOddLines() {
        // A megabyte line of one field, and one of a million empty fields: an error, quickly.
        const struct {
            std::string line;
            const char* message;
        } big[] = {{std::string(1 << 20, 'x'), "List index out of bounds (1)"},
                   {std::string(1 << 20, ','), "'' is not a valid floating point value"}};
        for (const auto& b : big) {
            TNCADProject project;
            try {
                ImportPointLines(TPointLines::FromFileBytes("a,1,2,3,A\n" + b.line + "\n"), project, nullptr);
                QFAIL("no error raised");
            } catch (const EPointLineError& e) {
                QCOMPARE(e.Line(), 2);
                QCOMPARE(QString(e.what()), QString(b.message));
            }
            QCOMPARE(project.TotalPointCount(), 1);
        }
        // A megabyte ID is kept whole.
        TNCADProject project;
        RowList sink;
        ImportPointLines(TPointLines::FromFileBytes(std::string(1 << 20, 'i') + ",1,2,3,A"), project, &sink);
        QCOMPARE(sink.rows[0].cells[0].size(), size_t(1 << 20));
        // NUL bytes are data, not line ends.
        TNCADProject nul;
        ImportPointLines(TPointLines::FromFileBytes(std::string("a\0b,1,2,3,A\n", 12)), nul, nullptr);
        QCOMPARE(nul.GetItem(0)->GetPoint(0)->ID, std::string("a\0b", 3));
    }

    void writerText() {
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,a\nB1,4.5,-5,,b\nA2,0.00004,1e3,7,A\n"
                                               ",9,9,9,측\nE,1,2,3,\"\"\n\"Q x\",1,2,3,\"c,d\"\n"),
                         project, nullptr);
        const std::string expected = "A1, 1.0000, 2.0000, 3.0000, A\r\n"
                                     "A2, 0.0000, 1000.0000, 7.0000, A\r\n"
                                     "B1, 4.5000, -5.0000, 0.0000, B\r\n"
                                     ", 9.0000, 9.0000, 9.0000, \xC3\xF8\r\n"
                                     "E, 1.0000, 2.0000, 3.0000,\r\n"
                                     "\"Q x\", 1.0000, 2.0000, 3.0000, \"C,D\"\r\n";
        QCOMPARE(FormatPointFile(project), expected);
        // Read back, the file gives the same groups and points.
        TNCADProject again;
        ImportPointLines(TPointLines::FromFileBytes(expected), again, nullptr);
        QCOMPARE(again.Count(), project.Count());
        for (int g = 0; g < project.Count(); ++g) {
            QCOMPARE(again.GetItem(g)->Code(), project.GetItem(g)->Code());
            for (int i = 0; i < project.GetItem(g)->PointCount(); ++i)
                QCOMPARE(again.GetItem(g)->GetPoint(i)->ID, project.GetItem(g)->GetPoint(i)->ID);
        }
        QCOMPARE(FormatPointFile(again), expected);
    }

    void saveReplacesSafely() {
        QTemporaryDir dir;
        const QString path = dir.filePath("job.txt");
        writeBytes(path, "old contents\r\n");
        ::chmod(path.toLocal8Bit().constData(), 0640);
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8(std::string(1000, 'p') + ",1,2,3,A\n"), project, nullptr);

        // The disk fills up halfway: the old file stays, no temporary is left behind.
        FillingDisk disk(100);
        try {
            SavePointFile(project, path.toStdString(), &disk);
            QFAIL("no error raised");
        } catch (const EFileError& e) {
            QCOMPARE(QString(e.what()), "Cannot write file \"" + path + "\". Disk full");
        }
        QCOMPARE(readBytes(path), std::string("old contents\r\n"));
        QCOMPARE(folderEntries(dir.path()), QStringList{"job.txt"});

        SavePointFile(project, path.toStdString());
        QCOMPARE(readBytes(path), FormatPointFile(project));
        QCOMPARE(folderEntries(dir.path()), QStringList{"job.txt"});
        struct stat st {};
        ::stat(path.toLocal8Bit().constData(), &st);
        QCOMPARE(int(st.st_mode & 0777), 0640);
    }

    void unwritableAndUnreadable() {
        QTemporaryDir dir;
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("a,1,2,3,A\n"), project, nullptr);
        // Places where even root cannot create a file.
        const QString notAFolder = dir.filePath("plain");
        writeBytes(notAFolder, "x");
        const QStringList targets{notAFolder + "/job.txt", "/proc/self/job.txt",
                                  dir.filePath("missing/job.txt")};
        for (const QString& target : targets) {
            try {
                SavePointFile(project, target.toStdString());
                QFAIL(qPrintable("saved into " + target));
            } catch (const EFileError& e) {
                QVERIFY2(QString(e.what()).startsWith("Cannot create file \"" + target + "\". "), e.what());
                QVERIFY(QString(e.what()).size() > target.size() + 24); // a reason follows
            }
        }
        // Reading: the path and the reason. What is no regular file is refused at once (a
        // pipe without a writer would block), and so is what the program could not hold.
        const QString fifo = dir.filePath("pipe.txt");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        const QString huge = dir.filePath("huge.txt");
        {
            QFile f(huge);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize((qint64(1) << 30) + 1)); // sparse: no disk is used
        }
        const struct {
            QString path;
            QString message;
        } cases[] = {
            {dir.filePath("none.txt"), "Cannot open file \"" + dir.filePath("none.txt") + "\". No such file or directory"},
            {dir.path(), "Cannot open file \"" + dir.path() + "\". Is a directory"},
            {fifo, "Cannot open file \"" + fifo + "\". It is not a regular file (a device or a pipe)"},
            {"/dev/zero", "Cannot open file \"/dev/zero\". It is not a regular file (a device or a pipe)"},
            {huge, "Cannot open file \"" + huge + "\". It is 1025 MB; job files of up to 1024 MB can be read"},
        };
        for (const auto& c : cases) {
            try {
                TPointLines::LoadFile(c.path.toStdString());
                QFAIL("no error raised");
            } catch (const EFileError& e) {
                QCOMPARE(QString(e.what()), c.message);
            }
        }
    }

    void cliConvert() {
        QTemporaryDir dir;
        const QString in = dir.filePath("in.txt");
        writeBytes(in, "A1,1,2,3,a\r\nB1 4 5 6 b\r\nA2,7,8,,A\r\n");
        auto run = [](const QStringList& args, QByteArray* err = nullptr) {
            QProcess p;
            p.start(PB_CLI_PATH, args);
            p.waitForFinished(30000);
            if (err)
                *err = p.readAllStandardError();
            return p.exitCode();
        };
        const QString out = dir.filePath("out.csv");
        QCOMPARE(run({"convert", in, out}), 0);
        QCOMPARE(readBytes(out), std::string("A1, 1.0000, 2.0000, 3.0000, A\r\n"
                                             "A2, 7.0000, 8.0000, 0.0000, A\r\n"
                                             "B1, 4.0000, 5.0000, 6.0000, B\r\n"));
        QByteArray err;
        writeBytes(in, "A1,1,2,3,a\r\n\r\nB1,4,5,6,b\r\n");
        QCOMPARE(run({"convert", in, out}, &err), 0);
        QCOMPARE(err, (in + ":2: warning: an empty line ends the data; "
                       "1 line(s) after it were not read\n").toUtf8());
        writeBytes(in, "A1,1,2,3,a\r\nB1,x,5,6,b\r\n");
        QCOMPARE(run({"convert", in, dir.filePath("bad.txt")}, &err), 1);
        QCOMPARE(err, (in + ":2: 'x' is not a valid floating point value\n").toUtf8());
        QVERIFY(!QFile::exists(dir.filePath("bad.txt")));
        QCOMPARE(run({"convert", dir.filePath("no.txt"), out}, &err), 1);
        QVERIFY(err.contains(("\"" + dir.filePath("no.txt") + "\". No such file").toUtf8()));
        QCOMPARE(run({"convert", in}), 2);
        QCOMPARE(run({"convert", in, dir.filePath("out.doc")}), 2);
        QCOMPARE(run({"frobnicate"}), 2);
        QCOMPARE(run({}), 2);
    }
};

QTEST_GUILESS_MAIN(TestPointFile)
#include "tst_pointfile.moc"
