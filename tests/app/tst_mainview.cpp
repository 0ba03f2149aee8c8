#include "app/AppSettings.h"
#include "app/Main.h"
#include "crs/forms/CommonPointForm.h"
#include "crs/forms/CrsCombo.h"
#include "crs/forms/CrsTransformForm.h"
#include "model/NCADProject.h"
#include "support/Modal.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QToolButton>
#include <QtTest>

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

QString cells(const TNiceGrid& grid, int row) {
    return QString::fromUtf8(grid.CellUtf8(1, row)) + " " + QString::fromUtf8(grid.CellUtf8(2, row));
}

} // namespace

class TestMainView : public QObject {
    Q_OBJECT
private slots:
    // The job's axes: the view draws easting right and northing up whichever column holds
    // it, a point made in the view gets the job's X and Y, and the setting outlives the window.
    void jobAxes_data() {
        QTest::addColumn<int>("axisIndex"); // of the 좌표축 list
        QTest::addColumn<QByteArray>("job");
        QTest::newRow("X=동") << 0 << QByteArray("1,100,500,1,A\r\n2,300,600,2,A\r\n");
        QTest::newRow("X=북") << 1 << QByteArray("1,500,100,1,A\r\n2,600,300,2,A\r\n");
    }
    void jobAxes() {
        QFETCH(int, axisIndex);
        QFETCH(QByteArray, job);
        QTemporaryDir dir;
        {
            TMainForm form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            emit form.AxisCombo->activated(axisIndex);
            form.ImportFile(writeFile(dir, "job.txt", job));
            QCOMPARE(form.NCAD1->CenterX, 200.0); // easting
            QCOMPARE(form.NCAD1->CenterY, 550.0); // northing
            // The table keeps the file's columns.
            QCOMPARE(cells(*form.NiceGrid1, 0), QString(job).section(',', 1, 2).replace(',', ' '));
            // The centre pixel made into a point: easting 200, northing 550 in the job's order.
            double x = 0, y = 0;
            form.NCAD1->OnAddedPoint = [&](double dx, double dy) { x = dx, y = dy; };
            form.NCAD1->MouseMode = mmAddPoint;
            const QPoint centre(form.NCAD1->HalfWidth, form.NCAD1->HalfHeight);
            QTest::mousePress(form.NCAD1->viewport(), Qt::LeftButton, {}, centre);
            QCOMPARE(QPointF(x, y), axisIndex ? QPointF(550, 200) : QPointF(200, 550));
            // A GIS file has easting first as well.
            form.GisDialogHook = [&] { return dir.filePath("job.geojson"); };
            form.GIS1->trigger();
            QFile gis(dir.filePath("job.geojson"));
            QVERIFY(gis.open(QIODevice::ReadOnly));
            const QByteArray geojson = gis.readAll();
            QVERIFY2(geojson.contains("EPSG::5186") && geojson.contains("[ 100.0, 500.0, 1.0 ]"),
                     geojson.constData());
        }
        TMainForm again;
        QCOMPARE(again.AxisCombo->currentIndex(), axisIndex);
        QCOMPARE(again.NCAD1->AxisOrder(), axisIndex ? TAxisOrder::XNorth : TAxisOrder::XEast);
        emit again.AxisCombo->activated(0); // the next test starts from the default
    }

    // Whole-job transformations from the 좌표 menu, under both axis settings: through PROJ
    // (the cs2cs positions of the points to a millimetre) and by a Helmert fit to common
    // points with one pair left out.
    void jobTransforms_data() {
        QTest::addColumn<int>("axisIndex");
        QTest::addColumn<bool>("byProj");
        QTest::addColumn<QString>("first"); // the first row's X and Y afterwards
        QTest::addColumn<QString>("said");  // a part of the message area
        QTest::newRow("5174 to 5186, X=동") << 0 << true << "201419.6375 549025.2423" << "약 1 m";
        QTest::newRow("5174 to 5186, X=북") << 1 << true << "549025.2423 201419.6375" << "약 1 m";
        QTest::newRow("common points, X=동") << 0 << false << "201359.9947 448714.9895" << "RMS 0.0000 m";
        QTest::newRow("common points, X=북") << 1 << false << "448729.9895 201344.9947" << "RMS 0.0000 m";
    }
    void jobTransforms() {
        QFETCH(int, axisIndex);
        QFETCH(bool, byProj);
        QFETCH(QString, first);
        QFETCH(QString, said);
        QTemporaryDir dir;
        QByteArray job = "1,201349.9947,448719.9895,34.5764,A\r\n2,201362.6772,448719.0711,34.1485,A\r\n"
                         "3,201375.6667,448720.7202,33.6562,A\r\n";
        // Moved 10 m along X and -5 m along Y; point 3 a metre off besides.
        QByteArray common = "1,201359.9947,448714.9895,0,A\r\n2,201372.6772,448714.0711,0,A\r\n"
                            "3,201386.6667,448715.7202,0,A\r\n";
        if (axisIndex) {
            job = "1,448719.9895,201349.9947,34.5764,A\r\n2,448719.0711,201362.6772,34.1485,A\r\n"
                  "3,448720.7202,201375.6667,33.6562,A\r\n";
            common = "1,448729.9895,201344.9947,0,A\r\n2,448729.0711,201357.6772,0,A\r\n"
                     "3,448731.7202,201370.6667,0,A\r\n";
        }
        TMainForm form;
        emit form.AxisCombo->activated(axisIndex);
        form.SetJobCrs(5174);
        form.ImportFile(writeFile(dir, "job.txt", job));
        QString shown;
        if (byProj) {
            whenModal<TCrsTransformForm>([&](TCrsTransformForm* d) {
                shown = d->OperationLabel->text();
                d->Buttons->button(QDialogButtonBox::Ok)->click();
            });
            form.CrsTransform1->trigger();
            QVERIFY2(shown.contains(said), qPrintable(shown));
            QCOMPARE(form.JobCrs(), 5186);
        } else {
            const QString path = writeFile(dir, "common.txt", common);
            whenModal<TCommonPointForm>([&](TCommonPointForm* d) {
                d->LoadTargets(path);
                d->PairTable->item(2, 0)->setCheckState(Qt::Unchecked);
                shown = d->ParameterLabel->text();
                d->Buttons->button(QDialogButtonBox::Ok)->click();
            });
            form.CommonPoints1->trigger();
            QVERIFY2(shown.contains(QString::fromUtf8("제외 1개")), qPrintable(shown));
        }
        QCOMPARE(cells(*form.NiceGrid1, 0), first);
        QCOMPARE(QString::fromUtf8(form.NiceGrid1->CellUtf8(3, 0)), QString("34.5764"));
        QVERIFY2(form.MsgStr->toPlainText().contains(said), qPrintable(form.MsgStr->toPlainText()));
        QVERIFY(form.JobChanged());
        // One step back: every point and the job's system as they were.
        form.UndoStack->undo();
        QCOMPARE(cells(*form.NiceGrid1, 0), QString(job).section(',', 1, 2).replace(',', ' '));
        QCOMPARE(cells(*form.NiceGrid1, 2), QString(job).section('\n', 2).section(',', 1, 2).replace(',', ' '));
        QCOMPARE(form.JobCrs(), 5174);
        emit form.AxisCombo->activated(0);
    }

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
