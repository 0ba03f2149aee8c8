#include "support/Boxes.h"

#include "app/Main.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <vector>

// The program started with a point file as its first argument. Run plain for a good file,
// with --faulty for a file whose third line is short.
class TestMainStart : public QObject {
    Q_OBJECT
public:
    explicit TestMainStart(bool faulty) : m_faulty(faulty) {}

private slots:
    void importsTheFileAtFirstShow() {
        Boxes boxes;
        TMainForm form;
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(form.isVisible());

        const int rows = m_faulty ? 2 : 4;
        QCOMPARE(form.NiceGrid1->RowCount(), rows);
        QCOMPARE(form.NiceGrid1->Cells(4, 0), QString("경계"));
        QCOMPARE(form.Project->TotalPointCount(), rows);
        // Fitted at the size the window shows with.
        const double cx = form.NCAD1->CenterX, scale = form.NCAD1->Scale;
        QCOMPARE(cx, m_faulty ? 55.0 : 505.0);
        form.NCAD1->ZoomExtents();
        QCOMPARE(form.NCAD1->CenterX, cx);
        QCOMPARE(form.NCAD1->Scale, scale);

        if (m_faulty) {
            QCOMPARE(boxes.texts(), QStringList{"List index out of bounds (3)\n\"" + QCoreApplication::arguments().at(1) +
                                         QString::fromUtf8("\" 파일의 3번째 줄")});
            QVERIFY(form.MsgStr->toPlainText().isEmpty());
        } else {
            QVERIFY(boxes.seen.isEmpty());
            QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
        }

        // Only the first show imports.
        form.hide();
        form.show();
        QCOMPARE(form.NiceGrid1->RowCount(), rows);
    }

private:
    bool m_faulty;
};

int main(int argc, char** argv) {
    const bool faulty = argc > 1 && std::strcmp(argv[1], "--faulty") == 0;
    std::vector<char*> testArgs(argv, argv + argc);
    if (faulty)
        testArgs.erase(testArgs.begin() + 1);

    QTemporaryDir dir;
    QByteArray path = QFile::encodeName(dir.filePath("start job.txt"));
    {
        QFile file(QFile::decodeName(path));
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        // CP949, as the instrument and the office write it.
        file.write("K1,10,20,1,\xB0\xE6\xB0\xE8\r\nK2,100,40,2,\xB0\xE6\xB0\xE8\r\n");
        file.write(faulty ? "K3,1,2\r\n" : "K3,500,600,3,A\r\nK4,1000,10,4,A\r\n");
    }
    char* appArgv[] = {argv[0], path.data(), nullptr};
    int appArgc = 2;
    TApplication app(appArgc, appArgv);
    TestMainStart t(faulty);
    int testArgc = static_cast<int>(testArgs.size());
    return QTest::qExec(&t, testArgc, testArgs.data());
}
#include "tst_mainstart.moc"
