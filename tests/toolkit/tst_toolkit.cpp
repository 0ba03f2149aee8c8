#include "support/Boxes.h"
#include "support/Modal.h"

#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/NiceGrid.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <stdexcept>

class TestToolkit : public QObject {
    Q_OBJECT
private slots:
    void gridRowsCellsAndGutter() {
        TNiceGrid grid;
        grid.SetColumns({"ID", "X", "Y", "Z", "CODE"}, {30, 80, 80, 80, 80});
        QCOMPARE(grid.RowCount(), 0);
        QCOMPARE(grid.columnWidth(0), 30);
        QCOMPARE(grid.columnWidth(4), 80);
        QCOMPARE(grid.model()->headerData(4, Qt::Horizontal).toString(), QString("CODE"));
        QCOMPARE(grid.AddRow(), 0);
        QCOMPARE(grid.AddRow(), 1);
        grid.SetCells(0, 0, "P1");
        grid.SetCells(4, 0, "경계");
        grid.SetCells(2, 0, "200.25");
        grid.SetCells(2, 0, "2"); // shrink a middle cell: neighbours must stay intact
        grid.SetCells(0, 1, "P2");
        QCOMPARE(grid.Cells(0, 0), QString("P1"));
        QCOMPARE(grid.Cells(2, 0), QString("2"));
        QCOMPARE(grid.Cells(4, 0), QString("경계"));
        QCOMPARE(grid.Cells(3, 0), QString());
        QCOMPARE(grid.Cells(9, 0), QString());
        QCOMPARE(grid.Cells(0, 5), QString());
        // Gutter shows 1-based numbers.
        QCOMPARE(grid.model()->headerData(0, Qt::Vertical).toInt(), 1);
        QCOMPARE(grid.model()->headerData(1, Qt::Vertical).toInt(), 2);
        // Deleting moves rows up, with their tags.
        int tagA = 0, tagB = 0;
        grid.SetRowTag(0, &tagA);
        grid.SetRowTag(1, &tagB);
        grid.DeleteRow(0);
        QCOMPARE(grid.RowCount(), 1);
        QCOMPARE(grid.Cells(0, 0), QString("P2"));
        QCOMPARE(grid.RowTag(0), static_cast<void*>(&tagB));
        QCOMPARE(grid.FindRowByTag(&tagA), -1);
        grid.DeleteRow(7); // out of range: nothing
        QCOMPARE(grid.RowCount(), 1);
    }

    void gridIsReadOnlyAndReportsSelection() {
        TNiceGrid grid;
        grid.SetColumns({"ID", "X"}, {30, 80});
        grid.AddRow();
        grid.AddRow();
        QVERIFY(!(grid.model()->flags(grid.model()->index(0, 0)) & Qt::ItemIsEditable));
        QCOMPARE(grid.SelectedRow(), -1);
        grid.SetSelectedRow(1);
        QCOMPARE(grid.SelectedRow(), 1);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QSignalSpy clicks(&grid, &TNiceGrid::Click);
        QSignalSpy doubles(&grid, &TNiceGrid::DblClick);
        const QRect cell = grid.visualRect(grid.model()->index(0, 1));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(grid.SelectedRow(), 0);
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(doubles.count(), 1);
        QCOMPARE(grid.Cells(1, 0), QString()); // double-click never starts an edit
    }

    void gridBatchAppendPublishesOnce() {
        TNiceGrid grid;
        grid.SetColumns({"ID", "X", "Y", "Z", "CODE"}, {30, 80, 80, 80, 80});
        QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
        grid.BeginUpdate();
        for (int i = 0; i < 1000; ++i) {
            const std::string id = "P" + std::to_string(i);
            const std::string_view cells[5] = {id, "1.0", "2.0", "0", "A"};
            grid.AddRowUtf8(cells, 5);
        }
        QCOMPARE(grid.model()->rowCount(), 0);
        grid.EndUpdate();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(grid.model()->rowCount(), 1000);
        QCOMPARE(grid.Cells(0, 999), QString("P999"));
        QCOMPARE(grid.CellUtf8(4, 10), std::string_view("A"));
    }

    void checkListRaisesClickWithCurrentItem() {
        TCheckList list;
        list.AddItem("one");
        list.AddItem("two");
        QSignalSpy clicks(&list, &TCheckList::Click);
        list.SetChecked(1, true); // programmatic: no click
        QCOMPARE(clicks.count(), 0);
        QVERIFY(list.Checked(1));
        list.item(0)->setCheckState(Qt::Checked); // as a click on the box does
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(list.ItemIndex(), 0);
        QVERIFY(list.Checked(0));
    }

    void confirmBoxHasItsTitleIconAndButtons() {
        Boxes boxes;
        boxes.answer = Dialogs::Answer::No;
        QVERIFY(!Dialogs::Confirm("측점을 삭제하시겠습니까?"));
        QCOMPARE(boxes.seen.size(), 1);
        const Dialogs::Box& seen = boxes.seen[0];
        QCOMPARE(seen.title, QString("Confirm"));
        QCOMPARE(seen.icon, Dialogs::Icon::Question);
        QCOMPARE(seen.buttons, Dialogs::Buttons::YesNo);
        QCOMPARE(seen.text, QString("측점을 삭제하시겠습니까?"));
    }

    void realConfirmBoxButtonCaptions() {
        // Close the real box from inside its own event loop and look at its buttons.
        QStringList captions;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                captions << b->text();
            for (QAbstractButton* b : box->buttons())
                if (b->text() == "&No")
                    b->click();
        });
        QVERIFY(!Dialogs::Confirm("?"));
        captions.sort();
        QCOMPARE(captions, QStringList({"&No", "&Yes"}));
    }

    // The close question's box: each button gives its answer, Escape the one that keeps all.
    void realThreeWayBoxAnswers_data() {
        QTest::addColumn<QString>("press");
        QTest::addColumn<int>("answer");
        QTest::newRow("저장") << "저장" << int(Dialogs::Answer::Yes);
        QTest::newRow("저장 안 함") << "저장 안 함" << int(Dialogs::Answer::No);
        QTest::newRow("취소") << "취소" << int(Dialogs::Answer::Cancel);
        QTest::newRow("Escape") << "" << int(Dialogs::Answer::Cancel);
    }
    void realThreeWayBoxAnswers() {
        QFETCH(QString, press);
        QFETCH(int, answer);
        whenModal<QMessageBox>([=](QMessageBox* box) {
            QCOMPARE(box->defaultButton()->text(), QString("저장"));
            if (press.isEmpty())
                QTest::keyClick(box, Qt::Key_Escape);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == press)
                    b->click();
        });
        Dialogs::Box box{"t", "?", Dialogs::Icon::Warning, Dialogs::Buttons::YesNoCancel};
        box.yesText = "저장";
        box.noText = "저장 안 함";
        box.cancelText = "취소";
        QCOMPARE(int(Dialogs::Show(box)), answer);
    }

    void exceptionInAnEventHandlerIsReportedAndTheLoopGoesOn() {
        Boxes boxes;
        // A handler that throws straight out of Qt's event delivery...
        QTimer::singleShot(0, qApp, [] { throw std::runtime_error("disk on fire"); });
        // ...and one that goes through our guard.
        QPushButton button;
        QObject::connect(&button, &QPushButton::clicked, [] {
            RunGuarded([] { throw std::runtime_error("second"); });
        });
        QTRY_COMPARE(boxes.texts(Dialogs::Icon::Error), QStringList{"disk on fire"});
        button.click();
        QCOMPARE(boxes.texts(Dialogs::Icon::Error), QStringList({"disk on fire", "second"}));
        // The loop still delivers events afterwards.
        bool ran = false;
        QTimer::singleShot(0, qApp, [&] { ran = true; });
        QTRY_VERIFY(ran);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestToolkit t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_toolkit.moc"
