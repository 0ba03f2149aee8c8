#include "app/Main.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "view/NCAD.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <QtTest>

class TestMainView : public QObject {
    Q_OBJECT
private slots:
    void viewCommandsAreWiredAndMenusFollow() {
        TMainForm form;
        for (QToolButton* b : {form.btnFix, form.btnZoomIn, form.btnZoomOut, form.btnAddPoint})
            QVERIFY(b->isEnabled());
        for (QAction* a : {form.N5, form.N6, form.N7, form.N8})
            QVERIFY(a->isEnabled());
    }

    void fitAndZoomFromButtonsAndMenu() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto item = std::make_unique<TNCADItem>();
        item->SetCode("경계");
        item->AddPoint(0, 0, 1, "1");
        item->AddPoint(100, 50, 2, "2");
        form.Project->AddItem(std::move(item));

        form.btnFix->click();
        QCOMPARE(form.NCAD1->CenterX, 50.0);
        QCOMPARE(form.NCAD1->CenterY, 25.0);
        const double fitted = form.NCAD1->Scale;
        QCOMPARE(fitted, std::min(716.0 / 120, 532.0 / 60));
        form.N6->trigger();
        QCOMPARE(form.NCAD1->Scale, fitted * 1.5);
        form.btnZoomOut->click();
        form.N7->trigger();
        QCOMPARE(form.NCAD1->Scale, fitted / 1.5);
        form.NCAD1->SetCenter(0, 0);
        form.N5->trigger();
        QCOMPARE(form.NCAD1->CenterX, 50.0);
        QCOMPARE(form.NCAD1->Scale, fitted);

        // A cluster too dense for its labels: the status bar says they are left out.
        auto* omitted = form.findChild<QLabel*>("LabelsOmittedPanel");
        QVERIFY(omitted && omitted->isHidden());
        auto cluster = std::make_unique<TNCADItem>();
        for (int i = 0; i < 20; ++i)
            cluster->AddPoint(50 + i * 0.01, 25, 1, std::to_string(i));
        form.Project->AddItem(std::move(cluster));
        form.btnFix->click();
        QVERIFY(omitted->isVisible());
        QCOMPARE(omitted->text(), QString::fromUtf8("라벨 일부 생략"));
    }

    void addPointArmsTheView() {
        TMainForm form;
        form.NCAD1->MouseMode = mmNone;
        form.btnAddPoint->click();
        QCOMPARE(form.NCAD1->MouseMode, mmAddPoint);
        form.NCAD1->MouseMode = mmNone;
        form.N8->trigger();
        QCOMPARE(form.NCAD1->MouseMode, mmAddPoint);
    }

    void layerListSwitchesTheLayers() {
        TMainForm form;
        // Toggling an item's box is a click on it.
        form.LayerListBox->item(2)->setCheckState(Qt::Unchecked);
        QVERIFY(!form.NCAD1->Layer3Visible());
        QVERIFY(form.NCAD1->Layer2Visible() && form.NCAD1->Layer4Visible());
        form.LayerListBox->item(2)->setCheckState(Qt::Checked);
        QVERIFY(form.NCAD1->Layer3Visible());
        form.LayerListBox->item(4)->setCheckState(Qt::Unchecked);
        QVERIFY(!form.NCAD1->Layer5Visible());
        QVERIFY(form.NCAD1->Layer1Visible());
    }

    void mouseUpAndWheel() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* surface = form.NCAD1->viewport();
        form.NCAD1->MouseMode = mmNone;
        QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(form.NCAD1->MouseDown);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(30, 30));
        QVERIFY(!form.NCAD1->MouseDown);

        const double scale = form.NCAD1->Scale;
        const QPointF at(40, 40);
        QWheelEvent up(at, surface->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &up);
        QCOMPARE(form.NCAD1->Scale, scale * 1.5);
        QCOMPARE(form.NCAD1->MouseMode, mmPan); // the wheel gives drag panning back
        QWheelEvent down(at, surface->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &down);
        QCOMPARE(form.NCAD1->Scale, scale);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainView t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainview.moc"
