#include "support/Boxes.h"
#include "support/Modal.h"

#include "app/AppSettings.h"
#include "app/DataEdit.h"
#include "app/FindForm.h"
#include "app/Main.h"
#include "crs/forms/CommonPointForm.h"
#include "crs/forms/CrsCombo.h"
#include "crs/forms/CrsTransformForm.h"
#include "io/PointImport.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QToolButton>
#include <QtTest>

namespace {

struct PaintCounter : QObject {
    int& count;
    explicit PaintCounter(int& n) : count(n) {}
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

// P1..P300 on a grid of 20 by 15 points 10 apart: point i at (10 (i mod 20), 10 (i div 20)),
// code A for the odd IDs, B for the even ones.
void importGrid(TMainForm& form) {
    std::string job;
    for (int i = 0; i < 300; ++i)
        job += "P" + std::to_string(i + 1) + "," + std::to_string(10 * (i % 20)) + "," +
               std::to_string(10 * (i / 20)) + ",0," + (i % 2 ? "B" : "A") + "\n";
    form.ImportPointLines(TPointLines::FromUtf8(job));
}

QPoint pixelOf(const TMainForm& form, double x, double y) {
    int px = 0, py = 0;
    form.NCAD1->WorldToScreen(px, py, x, y);
    return {px, py};
}

// Whether the selection's ring is drawn round the world point (x, y).
bool markedAt(const TMainForm& form, double x, double y) {
    const QImage& image = form.NCAD1->OffscreenImage();
    const QPoint at = pixelOf(form, x, y);
    for (int dy = -10; dy <= 10; ++dy)
        for (int dx = -10; dx <= 10; ++dx)
            if (image.rect().contains(at.x() + dx, at.y() + dy) &&
                image.pixel(at.x() + dx, at.y() + dy) == qRgb(255, 255, 0))
                return true;
    return false;
}

// The window's keys reach a window only while it is the active one; the off-screen platform
// does not activate a window when a dialog over it closes.
bool activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

bool rowShown(const TMainForm& form, int row) {
    const QRect cell = form.NiceGrid1->visualRect(form.NiceGrid1->model()->index(row, 0));
    return form.NiceGrid1->viewport()->rect().contains(cell);
}

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

        // A cluster too dense for its labels: a panel says they are left out.
        auto* omitted = form.findChild<QLabel*>("LabelsOmittedPanel");
        QVERIFY(omitted && omitted->isHidden());
        auto cluster = std::make_unique<TNCADItem>();
        for (int i = 0; i < 20; ++i)
            cluster->AddPoint(50 + i * 0.01, 25, 1, std::to_string(i));
        form.Project->AddItem(std::move(cluster));
        form.btnFix->click();
        QVERIFY(omitted->isVisible());
        QCOMPARE(omitted->text(), QString::fromUtf8("라벨 일부 생략"));
        // Saying so takes no room from the view: a narrower view would paint everything again.
        QCoreApplication::processEvents(); // the layouts settle
        QCOMPARE(form.NCAD1->size(), QSize(716, 532));
        QVERIFY(form.NCAD1->viewport()->rect().contains(omitted->geometry()));
    }

    // A picture drawn in bands (thresholds lowered so that a small job reaches them): a panel
    // over the view shows how far it is; its 취소 stops it and says the view shows part of it.
    void bandedPictureProgressAndCancel() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        importGrid(form);
        auto* panel = form.findChild<QWidget*>("PictureProgressPanel");
        auto* text = form.findChild<QLabel*>("PictureProgressText");
        auto* cancel = form.findChild<QToolButton*>("PictureCancelButton");
        QVERIFY(panel && text && cancel && panel->isHidden());
        form.NCAD1->SetPieceCosts(10, 20);
        QEventLoop loop;
        std::function<bool()> until;
        const auto shows = form.NCAD1->OnPictureProgress;
        form.NCAD1->OnPictureProgress = [&](TPictureState state, int percent) {
            shows(state, percent);
            if (until && until())
                loop.quit();
        };
        form.btnZoomIn->click();
        QVERIFY(panel->isVisible() && cancel->isVisible());
        QCOMPARE(text->text(), QString::fromUtf8("그리는 중 0%"));
        until = [&] {
            return form.NCAD1->PictureState() == TPictureState::Drawing && form.NCAD1->PictureProgress() >= 50;
        };
        loop.exec();
        QVERIFY(text->text().startsWith(QString::fromUtf8("그리는 중 ")));
        cancel->click();
        QCOMPARE(form.NCAD1->PictureState(), TPictureState::Cancelled);
        QVERIFY(panel->isVisible() && cancel->isHidden());
        QCOMPARE(text->text(), QString::fromUtf8("그리기 취소됨: 그림 일부만 표시"));
        form.btnZoomOut->click();
        QVERIFY(cancel->isVisible());
        until = [&] { return form.NCAD1->PictureState() == TPictureState::Complete; };
        loop.exec();
        QVERIFY(panel->isHidden());
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
        // One step is one paint: at a large job each paint is what the user waits for.
        int paints = 0;
        PaintCounter counter(paints);
        surface->installEventFilter(&counter);
        QApplication::sendEvent(surface, &up);
        surface->removeEventFilter(&counter);
        QCOMPARE(paints, 1);
        QCOMPARE(form.NCAD1->Scale, scale * 1.5);
        QCOMPARE(form.NCAD1->MouseMode, mmPan); // the wheel gives drag panning back
        QWheelEvent down(at, surface->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &down);
        QCOMPARE(form.NCAD1->Scale, scale);
    }

    // The selected row's point is ringed in the view; a click on a dot selects its row; keys,
    // type-ahead and 찾기 move the selection and the view keeps the point in sight.
    void tableAndViewWorkAsOne() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        importGrid(form);
        QWidget* surface = form.NCAD1->viewport();
        TNiceGrid* grid = form.NiceGrid1;

        QVERIFY(!markedAt(form, 0, 0));
        grid->SetSelectedRow(0);
        QVERIFY(markedAt(form, 0, 0));
        QVERIFY(!markedAt(form, 90, 120));

        // Within 5 pixels of P250's dot (90, 120) selects its row, far down the table.
        const QPoint p250 = pixelOf(form, 90, 120);
        QTest::mouseClick(surface, Qt::LeftButton, {}, p250 + QPoint(3, 4));
        QCOMPARE(grid->SelectedRow(), 249);
        QVERIFY(rowShown(form, 249));
        QVERIFY(markedAt(form, 90, 120) && !markedAt(form, 0, 0));
        QTest::mouseClick(surface, Qt::LeftButton, {}, pixelOf(form, 40, 0) + QPoint(4, 4));
        QCOMPARE(grid->SelectedRow(), 249);
        // Armed to add, a click on a dot adds there instead of selecting.
        form.btnAddPoint->click();
        whenModal<TfrmDataEdit>([](TfrmDataEdit* d) { d->Button1->click(); });
        QTest::mouseClick(surface, Qt::LeftButton, {}, pixelOf(form, 40, 0));
        QCOMPARE(grid->SelectedRow(), 249);

        // Keys: a point in sight leaves the view alone, one out of sight is brought to the
        // centre; type-ahead alike.
        QVERIFY(activate(&form));
        grid->SetSelectedRow(0);
        grid->setFocus();
        form.NCAD1->SetCenter(0, 0);
        for (int i = 0; i < 4; ++i)
            form.NCAD1->ZoomIn(); // about 16 pixels a metre: the next point is 160 away
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->SelectedRow(), 1);
        QCOMPARE(form.NCAD1->CenterX, 0.0);
        QTest::keyClicks(grid, "P42");
        QCOMPARE(grid->SelectedRow(), 41);
        QCOMPARE(form.NCAD1->CenterX, 10.0);
        QCOMPARE(form.NCAD1->CenterY, 20.0);
        QVERIFY(markedAt(form, 10, 20));

        // 찾기 from the table's keys: ID or code, any case, onwards from the selected row.
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        TFindForm* find = form.FindForm;
        QVERIFY(find && find->isVisible() && activate(find));
        const struct {
            const char* text;
            bool whole;
            int row;
            const char* note;
        } steps[] = {
            {"b", false, 43, ""},
            {"b", false, 45, ""},
            {"P1", true, 0, "표의 끝에서 처음으로 돌아와 찾았습니다."},
            {"p1", false, 9, ""},
            {"zzz", false, 9, "찾는 측점이 없습니다: zzz"},
            {"P300", false, 299, ""},
        };
        for (const auto& step : steps) {
            find->edtFind->setText(step.text);
            find->chkWhole->setChecked(step.whole);
            QTest::keyClick(find->edtFind, Qt::Key_Return);
            QCOMPARE(grid->SelectedRow(), step.row);
            QCOMPARE(find->lblNote->text(), QString(step.note));
        }
        QVERIFY(rowShown(form, 299));
        QVERIFY(markedAt(form, 190, 140));
        // 다음 찾기 repeats the last search from the window.
        find->close();
        QVERIFY(activate(&form));
        grid->SetSelectedRow(5);
        QTest::keyClick(surface, Qt::Key_F3);
        QCOMPARE(grid->SelectedRow(), 299);
    }

    // The status bar shows the world point under the pointer; armed to add, what a click adds.
    void pointerPositionInTheStatusBar() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ImportPointLines(TPointLines::FromUtf8("A1,0,0,0,A\nA2,100,50,0,A\n"));
        QWidget* surface = form.NCAD1->viewport();
        const QPoint centre(form.NCAD1->HalfWidth, form.NCAD1->HalfHeight);
        QTest::mouseMove(surface, centre);
        QCOMPARE(form.CursorPanel->text(), QString("X 50.000  Y 25.000"));

        form.btnAddPoint->click();
        const QPoint aside = centre + QPoint(179, -1);
        QTest::mouseMove(surface, aside);
        QString added;
        whenModal<TfrmDataEdit>([&](TfrmDataEdit* d) {
            added = "X " + d->edtX->text() + "  Y " + d->edtY->text();
            d->Button1->click();
        });
        const QString shown = form.CursorPanel->text();
        QTest::mouseClick(surface, Qt::LeftButton, {}, aside);
        // The panel's three decimals are the dialog's four, rounded.
        QCOMPARE(shown, QString("클릭하면 추가: X 80.000  Y 25.168"));
        QCOMPARE(added, QString("X 80.0000  Y 25.1676"));

        // The drawing moves under a still pointer: the panel follows.
        const QPointF at(centre.x() + 100, centre.y());
        QWheelEvent wheel(at, surface->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(surface, &wheel);
        QCOMPARE(form.CursorPanel->text(), QString("X 61.173  Y 25.000"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(surface, &leave);
        QCOMPARE(form.CursorPanel->text(), QString());
    }

    // Keys, context menus, the middle button, a drop and the recent files, as a user meets them.
    void keysMenusAndDrop() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        // A file dropped on the empty window opens as an import does, and is remembered.
        QTemporaryDir dir;
        const QString path = dir.filePath("job");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("A1,0,0,0,A\nA2,100,50,0,A\nA3,50,25,0,B\n");
        file.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&form, &drop);
        QTRY_COMPARE(form.NiceGrid1->RowCount(), 3);
        QCOMPARE(TMainForm::RecentFiles().value(0), QFileInfo(path).absoluteFilePath());

        // Delete from the view asks first, then deletes the selected row's point.
        QWidget* surface = form.NCAD1->viewport();
        form.NiceGrid1->SetSelectedRow(2);
        surface->setFocus();
        QTest::keyClick(surface, Qt::Key_Delete);
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(form.NiceGrid1->RowCount(), 2);

        // The middle button pans in the add mode too, without adding.
        form.NCAD1->MouseMode = mmAddPoint;
        const double centreX = form.NCAD1->CenterX;
        const QPoint from(200, 200);
        QTest::mousePress(surface, Qt::MiddleButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(from + QPoint(-50, 0)), surface->mapToGlobal(QPointF(from + QPoint(-50, 0))),
                         Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QTest::mouseRelease(surface, Qt::MiddleButton, {}, from + QPoint(-50, 0));
        QVERIFY(std::abs(form.NCAD1->CenterX - (centreX + 50 / form.NCAD1->Scale)) < 1e-9);
        QCOMPARE(form.NCAD1->MouseMode, mmAddPoint);
        form.NCAD1->MouseMode = mmNone;

        // The view's menu adds a point where it was opened; the table's centres on its row.
        const QPoint at = pixelOf(form, 40, 30);
        QString added;
        whenModal<TfrmDataEdit>([&](TfrmDataEdit* d) {
            added = d->edtX->text() + " " + d->edtY->text();
            d->Button1->click(); // cancel
        });
        QStringList captions;
        choosePopupItem("여기에 측점 추가", &captions);
        QContextMenuEvent viewMenu(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
        QApplication::sendEvent(surface, &viewMenu);
        QCOMPARE(captions, QStringList({"여기에 측점 추가", "전체 보기"}));
        double atX = 0, atY = 0;
        form.NCAD1->ScreenToWorld(at.x(), at.y(), atX, atY);
        QCOMPARE(added, QString::number(atX, 'f', 4) + " " + QString::number(atY, 'f', 4));

        captions.clear();
        choosePopupItem("보기 중심", &captions);
        const QPoint row = form.NiceGrid1->visualRect(form.NiceGrid1->model()->index(1, 0)).center();
        QContextMenuEvent rowMenu(QContextMenuEvent::Mouse, row, form.NiceGrid1->viewport()->mapToGlobal(row));
        QApplication::sendEvent(form.NiceGrid1->viewport(), &rowMenu);
        QCOMPARE(captions, QStringList({"편집", "삭제", "보기 중심"}));
        QCOMPARE(form.NiceGrid1->SelectedRow(), 1);
        QCOMPARE(form.NCAD1->CenterX, 100.0);
        QCOMPARE(form.NCAD1->CenterY, 50.0);

        // 정보 names the libraries and their licences.
        form.HelpAbout->trigger();
        QCOMPARE(boxes.seen.size(), 2);
        for (const char* licence : {"LGPL", "PROJ", "MIT", "GDAL", "Eigen", "MPL 2.0"})
            QVERIFY2(boxes.seen.last().text.contains(licence), licence);
        QVERIFY(!TMainForm::ManualPath().isEmpty());
    }

    // Columns show IDs and codes whole up to a cap; the window fits its screen (also at 150 %,
    // a second ctest run), and a second window stands offset from the first.
    void readableAtOnce() {
        TMainForm form;
        const QRect area = form.screen()->availableGeometry();
        // With room for a title bar and borders (the off-screen windows have none).
        const QRect withFrame = form.frameGeometry().adjusted(0, 0, 16, 40);
        QVERIFY(area.contains(withFrame));

        const std::string longId = "BM-2024-NORTH-17", hangulCode = "맨홀뚜껑";
        form.ImportPointLines(
            TPointLines::FromUtf8(longId + ",1,2,3," + hangulCode + "\n" + std::string(80, 'W') + ",1,2,3,A\n"));
        const TNiceGrid* grid = form.NiceGrid1;
        QVERIFY(grid->columnWidth(0) >= grid->TextWidth(longId));
        QVERIFY(grid->columnWidth(4) >= grid->TextWidth(hangulCode));
        QVERIFY(grid->columnWidth(0) <= 200); // 80 Ws stop at the cap

        TMainForm second;
        second.PlaceWindow({"pointbridge", "job.txt", "--near", QString("%1,%2").arg(form.x()).arg(form.y())});
        QCOMPARE(second.pos(), form.pos() + QPoint(32, 32));
        QVERIFY(area.contains(second.geometry().bottomRight()));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainView t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainview.moc"
