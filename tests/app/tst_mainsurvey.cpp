// The survey computations' windows through the main window's menu: the traverse into the
// job, the inverse and new points by intersection.
#include "support/Boxes.h"
#include "support/SquareLoop.h"

#include "app/Main.h"
#include "model/AxisOrder.h"
#include "model/NCADProject.h"
#include "app/forms/CogoForm.h"
#include "app/forms/TraverseForm.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QUndoStack>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// "X Y" of every point of the job with the id, in the project's order.
QStringList at(const TMainForm& form, const std::string& id) {
    QStringList out;
    for (const auto& group : *form.Project)
        for (const auto& p : group->Points)
            if (p->ID == id)
                out << QString("%1 %2").arg(p->X, 0, 'f', 4).arg(p->Y, 0, 'f', 4);
    return out;
}

} // namespace

class TestMainSurvey : public QObject {
    Q_OBJECT
private slots:
    void traverseAdjustsTheJob() {
        QTemporaryDir dir;
        const QString path = dir.filePath("loop.rw5");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kSquare) > 0);
        file.close();
        Boxes boxes;
        TMainForm form;
        form.ImportFile(path);
        QCOMPARE(at(form, "D").size(), 2); // shot from A and from C
        const QList<QStringList> before{at(form, "B"), at(form, "D"), at(form, "S1")};
        const int rows = form.NiceGrid1->RowCount();
        boxes.seen.clear(); // the import's notes

        form.TraverseItem->trigger();
        TTraverseForm* w = form.TraverseWindow;
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->edtFile->text(), path);
        QVERIFY(!w->btnApply->isEnabled());
        w->btnCompute->click();
        QCOMPARE(boxes.texts(), QStringList());
        QCOMPARE(w->gridLegs->rowCount(), 5); // A B C D A
        QCOMPARE(w->lblAngular->text(), QString("+20.0″"));
        QCOMPARE(w->lblLinear->text(), QString("0.0444 m"));
        QCOMPARE(w->lblLength->text(), QString("400.0500 m"));
        QCOMPARE(w->lblPrecision->text(), QString("1/9020"));
        QCOMPARE(w->gridLegs->item(1, 9)->text() + " " + w->gridLegs->item(1, 10)->text(),
                 QString("999.9870 1100.0010"));

        w->btnApply->click();
        QCOMPARE(at(form, "B"), QStringList{"999.9870 1100.0010"});
        QCOMPARE(at(form, "S1"), QStringList{"989.9870 1099.9997"});
        // A station is one point: no row of it stays where the unadjusted legs put it.
        QCOMPARE(at(form, "D"), QStringList(2, "1100.0110 999.9971"));
        QCOMPARE(form.NiceGrid1->RowCount(), rows); // every point moved, none added twice
        QVERIFY(!w->btnApply->isEnabled());
        // One step: one undo puts every point back.
        form.UndoStack->undo();
        QCOMPARE((QList<QStringList>{at(form, "B"), at(form, "D"), at(form, "S1")}), before);
        for (int row = 0; row < form.NiceGrid1->RowCount(); ++row)
            if (form.NiceGrid1->Cells(0, row) == "B")
                QCOMPARE(form.NiceGrid1->Cells(1, row) + " " + form.NiceGrid1->Cells(2, row), before[0][0]);
    }

    // The same plan under either axis order: P2 lies 30 m east and 40 m north of P1, X north
    // exchanging the columns; azimuths, distances and the new point's place do not change.
    void cogoInverseAndIntersection_data() {
        QTest::addColumn<bool>("xNorth");
        QTest::addColumn<QString>("p2");
        QTest::addColumn<QString>("dX");
        QTest::addColumn<QString>("dY");
        QTest::addColumn<QString>("n1");
        QTest::newRow("X east") << false << "1030 1040" << "30.0000 m" << "40.0000 m" << "1000.0000 1040.0000";
        QTest::newRow("X north") << true << "1040 1030" << "40.0000 m" << "30.0000 m" << "1040.0000 1000.0000";
    }

    void cogoInverseAndIntersection() {
        QFETCH(bool, xNorth);
        QFETCH(QString, p2);
        QFETCH(QString, dX);
        QFETCH(QString, dY);
        QFETCH(QString, n1);
        Boxes boxes;
        TMainForm form;
        form.SetJobAxes(xNorth ? TAxisOrder::XNorth : TAxisOrder::XEast);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto group = std::make_unique<TNCADItem>();
        group->SetCode("CP");
        group->AddPoint(1000, 1000, 10, "P1");
        group->AddPoint(p2.section(' ', 0, 0).toDouble(), p2.section(' ', 1, 1).toDouble(), 22, "P2");
        form.Project->AddItem(std::move(group));
        form.NCAD1->ZoomExtents();

        form.CogoItem->trigger();
        TCogoForm* w = form.CogoWindow;
        QVERIFY(w && w->isVisible());
        // 30 east, 40 north: 50 m at atan(3/4) = 36°52'11.6", 12 m up.
        w->edtFrom->setText("P1");
        w->edtTo->setText("P2");
        w->btnInverse->click();
        const QStringList expected{"50.0000 m", "36°52'11.6\"", dX, dY, "12.0000 m", "51.4198 m"};
        auto shown = [w] {
            return QStringList{w->lblDistance->text(), w->lblAzimuth->text(), w->lblDX->text(),
                               w->lblDY->text(), w->lblDZ->text(), w->lblSlope->text()};
        };
        QCOMPARE(shown(), expected);

        // The same by two clicks near the points' dots (the view's world is easting,
        // northing), which neither pan nor add a point.
        w->edtFrom->clear();
        w->lblDistance->clear();
        w->btnPick->click();
        int x = 0, y = 0;
        QWidget* surface = form.NCAD1->viewport();
        form.NCAD1->WorldToScreen(x, y, 1000, 1000);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(x + 3, y - 2));
        form.NCAD1->WorldToScreen(x, y, 1030, 1040);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(x - 2, y + 3));
        QCOMPARE(shown(), expected);
        QCOMPARE(w->edtFrom->text(), QString("P1"));
        QVERIFY(!w->btnPick->isChecked());
        QCOMPARE(form.Project->TotalPointCount(), 2);

        // 40 m from P1 and 30 m from P2 (50 m apart): two answers, the chosen one added.
        w->Pages->setCurrentIndex(2);
        w->rbDistances->setChecked(true);
        w->edtPointA->setText("P1");
        w->edtValueA->setText("40");
        w->edtPointB->setText("P2");
        w->edtValueB->setText("30");
        w->btnIntersect->click();
        QCOMPARE(w->lstResults->count(), 2);
        QCOMPARE(w->lstResults->currentRow(), -1);
        w->lstResults->setCurrentRow(1);
        w->edtNewId->setText("N1");
        w->edtNewCode->setText("pin");
        w->btnAdd->click();
        QCOMPARE(boxes.texts(), QStringList());
        // Left of P1->P2: from P1, 40 m at 36°52' less 36°52' (the triangle's angle), due north.
        QCOMPARE(at(form, "N1"), QStringList{n1});
        QCOMPARE(form.NiceGrid1->Cells(4, form.NiceGrid1->RowCount() - 1), QString("PIN"));
        QVERIFY(form.JobChanged());
        form.UndoStack->undo();
        QCOMPARE(at(form, "N1"), QStringList());
        form.SetJobAxes(TAxisOrder::XEast); // the next test starts from the default
    }
};

QTEST_MAIN(TestMainSurvey)
#include "tst_mainsurvey.moc"
