// End to end: the export command fills a new sheet of a real LibreOffice Calc, and a second
// connection to the same office reads it back. Needs an X display (ctest runs it under
// xvfb-run) and a LibreOffice with its SDK; it skips when they are not installed.
#include "support/Boxes.h"

#include "app/Main.h"
#include "io/CalcBlock.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <csignal>
#include <string>
#include <vector>

namespace {

struct DocInfo {
    QString title;
    QString location;
    bool modified = false;
    qint64 textCells = 0;
    qint64 otherCells = 0; // numbers, dates, formulas, notes
};

using Rows = std::vector<std::vector<std::string>>;

QString binPath(const char* name) {
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

QByteArray runProbe(const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(binPath("pointbridge-calc-probe"), args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

std::vector<DocInfo> listDocuments() {
    std::vector<DocInfo> docs;
    for (const QString& line :
         QString::fromUtf8(runProbe({"list"})).split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split('\t');
        if (f.size() == 5)
            docs.push_back({f[0], f[1], f[2] == "1", f[3].toLongLong(), f[4].toLongLong()});
    }
    return docs;
}

int untitledNumber(const QString& title) {
    static const QRegularExpression re("^Untitled (\\d+)$");
    const auto m = re.match(title);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The document made last: the office numbers new documents upward.
DocInfo newestDocument() {
    DocInfo newest;
    for (const DocInfo& d : listDocuments())
        if (untitledNumber(d.title) > untitledNumber(newest.title))
            newest = d;
    return newest;
}

CalcBlock::Table sheetCells(const QString& title) {
    const QByteArray block = runProbe({"cells", title});
    return CalcBlock::Read(std::string_view(block.constData(), std::size_t(block.size())));
}

// soffice.bin processes on our test profile (other offices on this machine don't count).
std::vector<pid_t> officePids(const QByteArray& profile) {
    std::vector<pid_t> pids;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile cmd("/proc/" + entry + "/cmdline");
        if (!cmd.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = cmd.readAll();
        if (line.contains("soffice.bin") && line.contains("UserInstallation=file://" + profile))
            pids.push_back(pid);
    }
    return pids;
}

QStringList xWindowTitles() {
    QProcess p;
    p.start("xwininfo", {"-root", "-tree"});
    p.waitForFinished(10000);
    QStringList titles;
    static const QRegularExpression re("0x[0-9a-f]+ \"([^\"]*)\"");
    for (const auto& m : re.globalMatch(QString::fromUtf8(p.readAllStandardOutput())))
        titles << m.captured(1);
    return titles;
}

void fillGrid(TNiceGrid& grid, const Rows& rows) {
    grid.ClearRows();
    grid.BeginUpdate();
    for (const auto& row : rows) {
        std::vector<std::string_view> cells(row.begin(), row.end());
        grid.AddRowUtf8(cells.data(), int(cells.size()));
    }
    grid.EndUpdate();
}

Rows gridRows(const TNiceGrid& grid) {
    Rows rows;
    for (int r = 0; r < grid.RowCount(); ++r) {
        rows.emplace_back();
        for (int c = 0; c < grid.ColCount(); ++c)
            rows.back().emplace_back(grid.CellUtf8(c, r));
    }
    return rows;
}

// The sheet's cell for a table cell: X, Y and Z (columns 1-3) that are decimal numbers become
// numbers shown with four decimals (the probe marks them '#'); everything else stays text.
std::string inSheet(int col, const std::string& text) {
    bool number = false;
    const double value = QString::fromStdString(text).toDouble(&number);
    if (col < 1 || col > 3 || !number ||
        text.find_first_not_of("0123456789.-eE") != std::string::npos)
        return text;
    return "#" + QString::number(value, 'f', 4).toStdString();
}

Rows manyRows(int count) {
    Rows rows;
    for (int i = 0; i < count; ++i) {
        char x[32], y[32], z[32];
        std::snprintf(x, sizeof x, "%.4f", 201000.0 + i * 0.37);
        std::snprintf(y, sizeof y, "%.4f", 448000.0 + i * 0.11);
        std::snprintf(z, sizeof z, "%.4f", 30.0 + (i % 100) * 0.01);
        rows.push_back({std::to_string(i + 1), x, y, z, i % 3 ? "경계" : "MH"});
    }
    return rows;
}

} // namespace

class TestCalcExport : public QObject {
    Q_OBJECT
    QTemporaryDir m_profile;
    QByteArray m_pipe;
    Boxes m_boxes;

    QByteArray profileDir() const { return m_profile.path().toUtf8(); }

    // Presses the button and waits until the export has ended; returns the seconds it took.
    double exportTable(TMainForm& form) {
        QElapsedTimer clock;
        clock.start();
        form.btnExcelExport->click();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(form.btnExcelExport->isEnabled(), 120000); }();
        return clock.elapsed() / 1000.0;
    }

    // Exports `rows` and checks the new document against them; returns its title.
    QString exportAndCheck(const Rows& rows) {
        TMainForm form;
        fillGrid(*form.NiceGrid1, rows);
        const int before = untitledNumber(newestDocument().title);
        const double seconds = exportTable(form);
        qInfo("%zu rows exported in %.2f s", rows.size(), seconds);
        if (!m_boxes.seen.isEmpty())
            qWarning() << m_boxes.texts();
        [&] { QVERIFY(m_boxes.seen.isEmpty()); }();
        [&] { QCOMPARE(gridRows(*form.NiceGrid1), rows); }(); // the table is never changed

        const DocInfo doc = newestDocument();
        [&] {
            QVERIFY2(untitledNumber(doc.title) > before, qPrintable(doc.title));
            QCOMPARE(doc.location, QString()); // never saved
            qint64 texts = 0, numbers = 0;
            for (const auto& row : rows)
                for (int c = 0; c < int(row.size()); ++c) {
                    const bool number = inSheet(c, row[c]) != row[c];
                    numbers += number;
                    texts += !number && !row[c].empty();
                }
            QCOMPARE(doc.textCells, texts);
            QCOMPARE(doc.otherCells, numbers); // no dates or formulas
            QCOMPARE(doc.modified, !rows.empty());

            const CalcBlock::Table sheet = sheetCells(doc.title);
            QCOMPARE(sheet.rows, int(rows.size()));
            for (int r = 0; r < sheet.rows; ++r)
                for (int c = 0; c < sheet.cols; ++c)
                    QCOMPARE(sheet.Cell(r, c), inSheet(c, rows[r][c]));
            // Trailing empty cells do not widen the used area, so only the texts must fit.
            QVERIFY(rows.empty() || sheet.cols <= 5);
        }();
        return doc.title;
    }

    // Closes the documents and lets the office end; kills it only if it will not.
    void endOffice() {
        runProbe({"close"});
        QElapsedTimer clock;
        clock.start();
        while (!officePids(profileDir()).empty() && clock.elapsed() < 20000)
            QTest::qWait(200);
        for (pid_t pid : officePids(profileDir())) {
            qWarning("office %d did not end; killing it", int(pid));
            ::kill(pid, SIGKILL);
        }
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed (package libreoffice-calc): the end-to-end "
                  "spreadsheet export test was not run");
        if (!QFileInfo(binPath("pointbridge-calc")).isExecutable() ||
            !QFileInfo(binPath("pointbridge-calc-probe")).isExecutable())
            QSKIP(
                "The LibreOffice SDK (package libreoffice-dev) was not installed when PointBridge "
                "was configured, so pointbridge-calc was not built: test not run");
        QVERIFY2(!qEnvironmentVariableIsEmpty("DISPLAY"),
                 "needs an X display: run it under xvfb-run");
        QVERIFY(m_profile.isValid());
        // A profile and a pipe of our own keep the user's office out of the test.
        m_pipe = "pbtest_" + QByteArray::number(QCoreApplication::applicationPid());
        qputenv("PB_CALC_PIPE", m_pipe);
        qputenv("PB_CALC_PROFILE", m_profile.path().toUtf8());
        // A new profile makes the office restart itself once on its first start; set it up
        // now so that each office below is one process from start to end.
        QProcess warmUp;
        warmUp.start("soffice", {"--terminate_after_init", "--norestore",
                                 "-env:UserInstallation=file://" + m_profile.path()});
        QVERIFY(warmUp.waitForFinished(120000));
    }

    void init() { m_boxes.seen.clear(); }

    // IDs and codes stay text whatever they look like; so do X, Y and Z that are no numbers.
    void trickyTextsStayTexts() {
        const Rows rows = {
            {"100.5000", "12:30", "2024-01-05", "TRUE", "1e3"},
            {"=1+1", "'quoted", "", "50%", "탭\t안"},
            {"007", "줄\n바꿈", " 1.5", "측점 경계", "-0"},
        };
        const QString title = exportAndCheck(rows);
        QVERIFY2(xWindowTitles().contains(title + " - LibreOffice Calc"),
                 qPrintable(xWindowTitles().join(" | ")));
        QCOMPARE(officePids(profileDir()).size(), std::size_t(1));
    }

    void threePointsInPointOrder() {
        exportAndCheck({{"1", "201349.9930", "448719.9860", "34.5764", "경계"},
                        {"2", "201392.2829", "448716.9014", "34.1485", "경계"},
                        {"P3", "123.4560", "0.00", "0", "A"}});
    }

    // The office is running by now: the export joins it instead of starting another. The
    // rows go over in pieces, every one where it belongs.
    void manyRowsJoinTheRunningOffice() {
        const auto before = officePids(profileDir());
        QCOMPARE(before.size(), std::size_t(1));
        exportAndCheck(manyRows(45001));
        QCOMPARE(officePids(profileDir()), before);
    }

    void emptyTableGivesEmptySheet() { exportAndCheck({}); }

    void secondPressWhileRunningStartsNothing() {
        TMainForm form;
        fillGrid(*form.NiceGrid1, manyRows(5));
        const int before = untitledNumber(newestDocument().title);
        form.btnExcelExport->click();
        QVERIFY(!form.btnExcelExport->isEnabled());
        QVERIFY(!form.Excel1->isEnabled());
        form.Excel1->trigger();
        form.btnExcelExport->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.btnExcelExport->isEnabled(), 120000);
        QVERIFY(m_boxes.seen.isEmpty());
        QCOMPARE(untitledNumber(newestDocument().title), before + 1);
        // Once it has ended the menu item runs it again: a second new document.
        form.Excel1->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(form.btnExcelExport->isEnabled(), 120000);
        QCOMPARE(untitledNumber(newestDocument().title), before + 2);
    }

    void sofficeMissingFromPath() {
        QTemporaryDir emptyBin;
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", emptyBin.path().toUtf8());
        qputenv("PB_CALC_PIPE", m_pipe + "_nobody"); // no office listens there
        TMainForm form;
        const Rows rows = manyRows(3);
        fillGrid(*form.NiceGrid1, rows);
        exportTable(form);
        qputenv("PATH", path);
        qputenv("PB_CALC_PIPE", m_pipe);
        QCOMPARE(m_boxes.seen.size(), 1);
        QVERIFY2(m_boxes.seen[0].text.startsWith(
                     "LibreOffice Calc was not found; install the package libreoffice-calc"),
                 qPrintable(m_boxes.seen[0].text));
        QCOMPARE(gridRows(*form.NiceGrid1), rows);
    }

    // The user's office runs but does not listen: the soffice that the helper starts hands
    // its arguments to it, and the export goes into that office.
    void joinsRunningOfficeThatDoesNotListen() {
        endOffice();
        QVERIFY(officePids(profileDir()).empty());
        QVERIFY(QProcess::startDetached("soffice",
                                        {"--nodefault", "--norestore", "--nologo",
                                         "-env:UserInstallation=file://" + m_profile.path()}));
        QTRY_COMPARE_WITH_TIMEOUT(officePids(profileDir()).size(), std::size_t(1), 60000);
        const auto office = officePids(profileDir());
        exportAndCheck(manyRows(3));
        QCOMPARE(officePids(profileDir()), office);
    }

    void cleanupTestCase() {
        if (m_pipe.isEmpty())
            return;
        endOffice();
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestCalcExport t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_calc_export.moc"
