#include "../DxfTestProjects.h"
#include "support/Boxes.h"

#include "app/Main.h"
#include "app/PlotForm.h"
#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayers.h"
#include "io/forms/DXFFormUnit.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/DirectoryEdit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <sstream>

using namespace DxfTestProjects;

namespace {

std::string readAll(const QString& path) {
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const QString kDone = "DXF 저장이 완료되었습니다.";

} // namespace

class TestDxfForm : public QObject {
    Q_OBJECT
private:
    Boxes m_boxes;

    // Fills the fields and presses OK.
    void export_(TDXFForm& form, const QString& dir, const QString& name) {
        form.DirectoryEdit->SetText(dir);
        form.FileNameEdit->setText(name);
        form.BitBtn1->click();
    }

private slots:
    void init() { m_boxes.seen.clear(); }

    void layout() {
        TNCADProject project;
        TDXFForm form(nullptr, project, {});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QString("DXF 저장"));
        QCOMPARE(form.size(), QSize(562, 172));
        QCOMPARE(form.Label1->text(), QString("DXF파일을 저장할 파일이름과 경로를 설정해 주시기 바랍니다."));
        QCOMPARE(form.Label2->text(), QString("파일 이름 :"));
        QCOMPARE(form.Label3->text(), QString("파일 경로 :"));
        QCOMPARE(form.Label2->pos(), QPoint(24, 68));
        QCOMPARE(form.FileNameEdit->geometry().topLeft(), QPoint(96, 64));
        QCOMPARE(form.FileNameEdit->width(), 453);
        QCOMPARE(form.DirectoryEdit->geometry().topLeft(), QPoint(96, 97));
        QCOMPARE(form.DirectoryEdit->width(), 453);
        QCOMPARE(form.BitBtn1->text(), QString("OK"));
        QCOMPARE(form.BitBtn1->geometry(), QRect(204, 132, 75, 25));
        QCOMPARE(form.BitBtn2->text(), QString("Cancel"));
        QCOMPARE(form.BitBtn2->geometry(), QRect(285, 132, 75, 25));
        QVERIFY(form.BitBtn1->isDefault());
        QVERIFY(form.FileNameEdit->text().isEmpty());
        QVERIFY(form.DirectoryEdit->Text().isEmpty());
        QCOMPARE(form.chkCADLayers->text(), QString("CAD 레이어로 저장"));
        QVERIFY(!form.chkCADLayers->isChecked());
        QVERIFY(form.chkCADLayers->geometry().right() < form.BitBtn1->x());
    }

    // Off, the plain drawing of the view's extents; on, the CAD drawing of the same.
    void cadLayersCheckBoxPicksTheDrawing() {
        TNCADProject project;
        mixed(project);
        QTemporaryDir dir;
        const TDXFExtents extents{-10, -20, 30, 40};
        for (const bool layers : {false, true}) {
            TDXFForm form(nullptr, project, extents);
            form.chkCADLayers->setChecked(layers);
            export_(form, dir.path(), layers ? "cad" : "plain");
        }
        const std::string expected = dir.filePath("expected.dxf").toStdString();
        WriteDxfFile(expected, project, extents);
        QCOMPARE(readAll(dir.filePath("plain.dxf")), readAll(QString::fromStdString(expected)));
        TDXFLayerOptions options;
        options.Extents = extents;
        WriteLayeredDxfFile(expected, project, options);
        QCOMPARE(readAll(dir.filePath("cad.dxf")), readAll(QString::fromStdString(expected)));
        QCOMPARE(m_boxes.seen.size(), 2);
        QCOMPARE(m_boxes.seen[1].text, "cad.dxf" + kDone);
    }

    void emptyFieldIsRefused_data() {
        QTest::addColumn<bool>("withDir");
        QTest::addColumn<QString>("name");
        QTest::newRow("no folder") << false << "plan";
        QTest::newRow("no name") << true << "";
        QTest::newRow("neither") << false << "";
    }
    void emptyFieldIsRefused() {
        QFETCH(bool, withDir);
        QFETCH(QString, name);
        QTemporaryDir dir;
        TNCADProject project;
        onePoint(project);
        TDXFForm form(nullptr, project, {});
        form.show();
        export_(form, withDir ? dir.path() : QString(), name);
        QCOMPARE(m_boxes.seen.size(), 1);
        QCOMPARE(m_boxes.seen[0].text, QString("파일이름과 디렉토리 항목을 반드시 설정해야 합니다."));
        QCOMPARE(m_boxes.seen[0].icon, Dialogs::Icon::Information);
        QCOMPARE(form.FileNameEdit->text(), name); // nothing appended
        QVERIFY(QDir(dir.path()).isEmpty());
        // The dialog closes after its message, as after any OK.
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void nameIsCompletedAndReported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain name") << "site" << "site.dxf";
        QTest::newRow("has .dxf") << "site.dxf" << "site.dxf";
        QTest::newRow("upper case") << "PLAN.DXF" << "PLAN.DXF";
        QTest::newRow("dxf inside") << "dxfdata" << "dxfdata";
        QTest::newRow("mixed case") << "planDxF" << "planDxF";
        QTest::newRow("Korean") << "현황도" << "현황도.dxf";
        QTest::newRow("blanks only pass the check") << "   " << "   .dxf";
    }
    void nameIsCompletedAndReported() {
        QFETCH(QString, name);
        QFETCH(QString, written);
        QTemporaryDir dir;
        TNCADProject project;
        onePoint(project);
        TDXFForm form(nullptr, project, {1, 2, 3, 4});
        form.show();
        export_(form, dir.path(), name);
        QCOMPARE(form.FileNameEdit->text(), written);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{written});
        const std::string file = readAll(dir.filePath(written));
        QVERIFY(file.starts_with("0\r\nSECTION\r\n"));
        QVERIFY(file.ends_with("0\r\nEOF\r\n"));
        QCOMPARE(m_boxes.seen.size(), 1);
        QCOMPARE(m_boxes.seen[0].text, written + kDone); // name directly followed by the text
        QCOMPARE(m_boxes.seen[0].icon, Dialogs::Icon::Information);
        QVERIFY(!form.isVisible());
    }

    void enterPressesOk() {
        QTemporaryDir dir;
        TNCADProject project;
        onePoint(project);
        TDXFForm form(nullptr, project, {});
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.DirectoryEdit->SetText(dir.path());
        form.FileNameEdit->setText("plan");
        QTest::keyClick(form.FileNameEdit, Qt::Key_Return);
        QVERIFY(QFileInfo::exists(dir.filePath("plan.dxf")));
        QCOMPARE(m_boxes.seen.size(), 1);
    }

    // A failure is reported by the error box; no completion message follows.
    void failureReportedWithoutCompletion() {
        QTemporaryDir dir;
        TNCADProject project;
        onePoint(project);
        TDXFForm form(nullptr, project, {});
        form.show();
        const QString missing = dir.filePath("gone");
        export_(form, missing, "plan");
        QCOMPARE(m_boxes.seen.size(), 1);
        QCOMPARE(m_boxes.seen[0].icon, Dialogs::Icon::Error);
        QVERIFY2(m_boxes.seen[0].text.startsWith("Cannot create file \"" + missing + "/plan.dxf\". "),
                 qPrintable(m_boxes.seen[0].text));
        QVERIFY(!m_boxes.seen[0].text.contains(kDone));
        QVERIFY(!QApplication::overrideCursor()); // the wait cursor is gone
        QVERIFY(!form.isVisible());
        QVERIFY(QDir(dir.path()).isEmpty());
        QCOMPARE(project.GetItem(0)->PointCount(), 1);
    }

    void cancelWritesNothing() {
        QTemporaryDir dir;
        TNCADProject project;
        onePoint(project);
        TDXFForm form(nullptr, project, {});
        form.show();
        form.DirectoryEdit->SetText(dir.path());
        form.FileNameEdit->setText("plan");
        form.BitBtn2->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(m_boxes.seen.isEmpty());
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    // A long export shows how far it is; Cancel stops it and leaves the file that was there.
    void longExportShowsProgressAndCancels_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("drawing") << "dxf" << true;
        QTest::newRow("CAD layers") << "cad" << true;
        QTest::newRow("plot PDF") << "pdf" << true;
        QTest::newRow("plot PDF, not cancelled") << "pdf" << false;
    }
    void longExportShowsProgressAndCancels() {
        QFETCH(QString, kind);
        QFETCH(bool, cancel);
        TNCADProject project;
        TNCADItem* group = addGroup(project, "A");
        for (int i = 0; i < 20000; ++i)
            group->AddPoint(i % 100, i / 100, 0, std::to_string(i));
        QTemporaryDir dir;
        const QString path = dir.filePath("plan.dxf");
        std::ofstream(QFile::encodeName(path).toStdString()) << "old";
        TDXFForm dxf(nullptr, project, {});
        dxf.chkCADLayers->setChecked(kind == "cad");
        TPlotForm plot(nullptr, project, {true, true, true, true, true}, path);
        QWidget& form = kind == "pdf" ? static_cast<QWidget&>(plot) : dxf;

        // Cancel is pressed as soon as the progress window has been told anything.
        int value = -1;
        QTimer press;
        connect(&press, &QTimer::timeout, [&] {
            auto* progress = form.findChild<QProgressDialog*>();
            if (!progress || value >= 0)
                return;
            value = progress->value();
            if (cancel)
                progress->cancel();
        });
        press.start(0);
        if (kind == "pdf") {
            QCOMPARE(plot.WritePdf(path), !cancel);
        } else {
            export_(dxf, dir.path(), "plan.dxf");
            QVERIFY(m_boxes.seen.isEmpty());
            QVERIFY(value > 0); // a share of the points, in thousandths
        }
        QVERIFY(value >= 0);
        if (kind == "pdf" && !cancel)
            QVERIFY(readAll(path).rfind("%PDF", 0) == 0);
        else
            QCOMPARE(readAll(path), std::string("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plan.dxf"});
        QVERIFY(!QApplication::overrideCursor());
    }

    // The layer switches of the main window have no say in the file: everything is written.
    void layerSwitchesChangeNothing() {
        TMainForm main;
        mixed(*main.Project);
        QTemporaryDir dir;
        const TDXFExtents extents{-10, -20, 30, 40};
        const auto exportAs = [&](const QString& name) {
            TDXFForm form(&main, *main.Project, extents);
            export_(form, dir.path(), name);
            return readAll(dir.filePath(name));
        };
        const std::string all = exportAs("all.dxf");
        for (int i = 0; i < main.LayerListBox->count(); ++i)
            main.LayerListBox->SetChecked(i, false);
        const std::string none = exportAs("none.dxf");
        main.LayerListBox->SetChecked(2, true);
        const std::string one = exportAs("one.dxf");
        QVERIFY(all.find("\r\nTEXT\r\n") != std::string::npos);
        QVERIFY(all == none);
        QVERIFY(all == one);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestDxfForm t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_dxfform.moc"
