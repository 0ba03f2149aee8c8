#include "support/Boxes.h"

#include "app/Main.h"
#include "model/NCADProject.h"
#include "model/ProjectManager.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {
QStringList captions(const QMenu* menu) {
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QString("-") : a->text());
    return out;
}
} // namespace

class TestMain : public QObject {
    Q_OBJECT
private slots:
    void startUpState() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QString("Main"));
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        QCOMPARE(form.MsgStr->toPlainText(), QString());
        QCOMPARE(form.LayerListBox->count(), 5);
        for (int i = 0; i < 5; ++i)
            QVERIFY(form.LayerListBox->Checked(i));
        QCOMPARE(form.LayerListBox->item(2)->text(), QString("레이어-3 : 코드"));
        QCOMPARE(form.LayerListBox->ItemIndex(), -1);
        QCOMPARE(form.Label1->text(), QString("레이어 목록"));
        TNCADProject* project = form.NCAD1->ProjectManager()->GetProject(0);
        QVERIFY(project);
        QCOMPARE(project, form.Project);
        QCOMPARE(project->Name(), std::string("Test Project"));
        QCOMPARE(project->Count(), 0);
        QCOMPARE(form.NCAD1->ProjectManager()->Count(), 1);
    }

    void layoutSizes() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.centralWidget()->size(), QSize(1151, 654));
        QCOMPARE(form.CoolBar1->height(), 62);
        QCOMPARE(form.NiceGrid1->width(), 309);
        QCOMPARE(form.Panel10->width(), 120);
        QCOMPARE(form.Panel2->height(), 58);
        QCOMPARE(form.StatusBar1->height(), 21);
        QCOMPARE(form.NCAD1->size(), QSize(716, 532));
        QCOMPARE(form.LayerListBox->geometry(), QRect(3, 30, 114, 154));
    }

    void menusAsListed() {
        TMainForm form;
        QStringList top;
        for (const QAction* a : form.menuBar()->actions())
            top << a->text();
        QCOMPARE(top, QStringList({"파일(&F)", "편집(&E)", "통신(&C)", "CAD기능(&D)", "측량 계산(&S)",
                                   "좌표(&O)", "도움말(&H)"}));
        QCOMPARE(captions(form.menuMain), QStringList({"Import", "저장", "다른 이름으로 저장...", "-",
                                                       "Export", "도면 출력…", "최근 파일", "-", "종료"}));
        QCOMPARE(captions(form.Import1), QStringList({"TXT 불러오기"}));
        QCOMPARE(captions(form.Export),
                 QStringList({"Excel로 저장하기", "DXF로 저장하기", "GIS 파일로 저장하기…"}));
        QCOMPARE(captions(form.Coord1), QStringList({"좌표 변환…", "공통점 변환…"}));
        QCOMPARE(captions(form.EditMenu), QStringList({"실행 취소", "다시 실행", "-", "찾기…", "다음 찾기", "-",
                                                       "측점 삭제"}));
        QCOMPARE(captions(form.N1),
                 QStringList({"측량기->PC", "PC->측량기", "-", "통신설정", "통신종료"}));
        QCOMPARE(captions(form.CAD1), QStringList({"화면에 맞게 확장하기", "줌인 하기",
                                                   "줌아웃 하기", "유저 포인트를 추가"}));
        QCOMPARE(captions(form.menuBar()->findChild<QMenu*>("menuSurvey")),
                 QStringList({"좌표 성과표…", "좌표 면적 계산부…", "트래버스 계산부…", "트래버스 계산…",
                              "좌표 계산…"}));
        // The office programs' keys; no other item takes one.
        const QHash<const QAction*, QString> keys{{form.XT1, "Ctrl+O"},
                                                  {form.N10, "Ctrl+P"},
                                                  {form.N9, "Ctrl+Q"},
                                                  {form.FileSaveItem, "Ctrl+S"},
                                                  {form.FileSaveAsItem, "Ctrl+Shift+S"},
                                                  {form.UndoItem, "Ctrl+Z"},
                                                  {form.RedoItem, "Ctrl+Y, Ctrl+Shift+Z"}};
        for (QMenu* m : {form.menuMain, form.Import1, form.Export, form.EditMenu, form.N1, form.CAD1})
            for (const QAction* a : m->actions()) {
                if (m == form.EditMenu && !keys.contains(a))
                    continue; // 찾기 and 측점 삭제 have keys of their own, checked with the selection
                QStringList bound;
                for (const QKeySequence& k : a->shortcuts())
                    bound << k.toString();
                QCOMPARE(bound.join(", "), keys.value(a));
            }
    }

    void toolButtonsInOrderWithHints() {
        TMainForm form;
        auto names = [](QToolBar* bar) {
            QStringList out;
            for (QToolButton* b : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
                if (!b->objectName().isEmpty() && !b->objectName().startsWith("qt_"))
                    out << b->objectName();
            return out;
        };
        QCOMPARE(names(form.ToolBar1), QStringList({"btnComportOpen", "btnComportClose",
                                                    "btnComPortSetting", "btnUpload"}));
        QCOMPARE(names(form.ToolBar2),
                 QStringList({"btnImportTXT", "btnExportTXT", "btnGridAddPoint",
                              "btnGridDelPoint", "btnFix", "btnZoomIn", "btnZoomOut",
                              "btnAddPoint", "btnDXFExport", "btnExcelExport"}));
        QCOMPARE(form.btnComportOpen->toolTip(),
                 QString("통신을 초기화하고측량기로부터 데이터를 다운받을 준비를 합니다."));
        QCOMPARE(form.btnExcelExport->toolTip(), QString("엑셀로 저장 합니다."));
        QCOMPARE(form.btnFix->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(form.btnImportTXT->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(!form.btnFix->icon().isNull());
        QCOMPARE(form.btnFix->size(), QSize(25, 25));
    }

    void menuItemFollowsItsButton() {
        TMainForm form;
        // Whatever is built so far, a menu item is enabled exactly when its button is.
        const std::pair<QAction*, QToolButton*> links[] = {
            {form.PC1, form.btnComportOpen}, {form.N4, form.btnComportClose},
            {form.N3, form.btnComPortSetting}, {form.PC2, form.btnUpload},
            {form.XT1, form.btnImportTXT}, {form.N5, form.btnFix},
            {form.N6, form.btnZoomIn}, {form.N7, form.btnZoomOut},
            {form.N8, form.btnAddPoint}, {form.DXF1, form.btnDXFExport},
            {form.Excel1, form.btnExcelExport}};
        for (auto [item, button] : links)
            QCOMPARE(item->isEnabled(), button->isEnabled());
        QVERIFY(form.N9->isEnabled());
    }

    void quitClosesWithoutAsking() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.N9->trigger();
        QVERIFY(!form.isVisible());
        QVERIFY(boxes.seen.isEmpty());
    }

    void completionLine() {
        TMainForm form;
        form.AddCompletionLine();
        const QString text = form.MsgStr->toPlainText();
        QVERIFY(text.endsWith(" 데이터 전송이 완료되었습니다."));
        QVERIFY(text.startsWith(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
    }

    void errorInACommandIsReportedAndTheWindowGoesOn() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // A command wired the way the window wires its own.
        auto* extra = new QToolButton(form.ToolBar2);
        QObject::connect(extra, &QToolButton::clicked, &form, [] {
            RunGuarded([] { throw std::runtime_error("'x' is not a valid floating point value"); });
        });
        extra->click();
        QCOMPARE(boxes.texts(Dialogs::Icon::Error), QStringList({"'x' is not a valid floating point value"}));
        form.MsgStr->appendPlainText("still here");
        QVERIFY(form.isVisible());
        QCOMPARE(form.MsgStr->toPlainText(), QString("still here"));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMain t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_main.moc"
