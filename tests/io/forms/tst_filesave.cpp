#include "support/Boxes.h"
#include "support/Modal.h"

#include "io/PointImport.h"
#include "io/forms/FileSave.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/DirectoryEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <sstream>

namespace {

std::string readBytes(const QString& path) {
    std::ifstream f(path.toStdString(), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs the dialog with the two fields typed in and `button` pressed; returns the texts of
// the boxes it showed.
QStringList runDialog(const TNCADProject& project, const QString& name, const QString& folder,
                      bool ok = true, QString* nameAfter = nullptr) {
    Boxes boxes;
    whenModal<TFileSaveForm>([&](TFileSaveForm* form) {
        form->FileNameEdit->insert(name);
        form->DirectoryEdit->SetText(folder);
        (ok ? form->BitBtn1 : form->BitBtn2)->click();
    });
    TFileSaveForm form(project);
    form.Execute();
    if (nameAfter)
        *nameAfter = form.FileNameEdit->text();
    QStringList shown = boxes.texts();
    if (form.isVisible())
        shown << "dialog still open";
    return shown;
}

} // namespace

class TestFileSave : public QObject {
    Q_OBJECT
private slots:
    void layout() {
        TNCADProject project;
        TFileSaveForm form(project);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QString("파일 저장 하기"));
        QCOMPARE(form.size(), QSize(562, 172));
        QCOMPARE(form.Label1->text(), QString("파일을 저장할 파일이름과 경로를 설정해 주시기 바랍니다."));
        QCOMPARE(form.Label2->text(), QString("파일 이름 :"));
        QCOMPARE(form.Label3->text(), QString("파일 경로 :"));
        QCOMPARE(form.Label1->pos(), QPoint(24, 32));
        QCOMPARE(form.Label3->pos(), QPoint(24, 100));
        QCOMPARE(form.FileNameEdit->geometry().topLeft(), QPoint(96, 64));
        QCOMPARE(form.DirectoryEdit->geometry(), QRect(96, 97, 453, 21));
        QCOMPARE(form.BitBtn1->geometry(), QRect(204, 132, 75, 25));
        QCOMPARE(form.BitBtn2->geometry(), QRect(285, 132, 75, 25));
        QVERIFY(form.BitBtn1->isDefault());
        QVERIFY(form.FileNameEdit->text().isEmpty());
        QVERIFY(form.DirectoryEdit->Text().isEmpty());
    }

    void savesGroupByGroup() {
        QTemporaryDir dir;
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,A\nB1,4,5,6,B\nA2,7,8,9,a\n"), project, nullptr);
        QCOMPARE(runDialog(project, "job.TxT", dir.path()), QStringList{});
        QCOMPARE(readBytes(dir.filePath("job.TxT")), std::string("A1, 1.0000, 2.0000, 3.0000, A\r\n"
                                                              "A2, 7.0000, 8.0000, 9.0000, A\r\n"
                                                              "B1, 4.0000, 5.0000, 6.0000, B\r\n"));
        // Replaced without asking.
        project.GetItem(1)->DeletePoint(0);
        QCOMPARE(runDialog(project, "job.TxT", dir.path() + "/"), QStringList{});
        QCOMPARE(readBytes(dir.filePath("job.TxT")).size(), size_t(62));
    }

    void txtRule_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << "job" << "job.txt";
        QTest::newRow("csv gets .txt") << "job.csv" << "job.csv.txt";
        QTest::newRow("upper-case TXT") << "JOB.TXT" << "JOB.TXT";
        QTest::newRow("txt inside the name") << "mytxtjob" << "mytxtjob";
        QTest::newRow("Korean name") << "현장" << "현장.txt";
    }
    void txtRule() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QTemporaryDir dir;
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,A\n"), project, nullptr);
        QString after;
        QCOMPARE(runDialog(project, typed, dir.path(), true, &after), QStringList{});
        QCOMPARE(after, saved);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{saved});
    }

    void messagesAndNothingWritten() {
        QTemporaryDir dir;
        TNCADProject empty;
        QCOMPARE(runDialog(empty, "job", dir.path()), QStringList{"저장할 데이터가 없습니다."});
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,A\n"), project, nullptr);
        const QString needBoth = "파일이름과 디렉토리 항목을 반드시 설정해야 합니다.";
        QCOMPARE(runDialog(project, "job", ""), QStringList{needBoth});
        QCOMPARE(runDialog(project, "", dir.path()), QStringList{needBoth});
        QCOMPARE(runDialog(project, "job", dir.path(), false), QStringList{});
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }

    void unwritableFolderShowsError() {
        TNCADProject project;
        ImportPointLines(TPointLines::FromUtf8("A1,1,2,3,A\n"), project, nullptr);
        // The error box of the application, naming the path; the dialog still closes.
        const QStringList boxes = runDialog(project, "job.txt", "/proc/self");
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith("Cannot create file \"/proc/self/job.txt\". "), qPrintable(boxes[0]));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestFileSave t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_filesave.moc"
