#include "support/Boxes.h"
#include "support/JobState.h"
#include "support/Modal.h"

#include "app/DataEdit.h"
#include "app/DataNew.h"
#include "app/JobCommands.h"
#include "app/Main.h"
#include "comm/RecvFiles.h"
#include "io/PointImport.h"
#include "io/forms/FileSave.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/DirectoryEdit.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QFileDialog>
#include <QLabel>
#include <QUndoStack>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>

#include <sys/stat.h>

namespace {

struct Fields {
    QString id, x, y, z, code;
};

void type(TPointDialog& d, const Fields& f) {
    d.EdtID->setText(f.id);
    d.edtX->setText(f.x);
    d.edtY->setText(f.y);
    d.edtZ->setText(f.z);
    d.edtCodeType->setText(f.code);
}

QStringList shown(const TPointDialog& d) {
    return {d.EdtID->text(), d.edtX->text(), d.edtY->text(), d.edtZ->text(), d.edtCodeType->text()};
}

// The next new-point dialog gets `f` and OK (or Cancel).
void answerNew(const Fields& f, bool ok = true) {
    whenModal<TDataNewForm>([=](TDataNewForm* d) {
        type(*d, f);
        (ok ? d->Button2 : d->Button1)->click();
    });
}

// The next edit dialog: `change` edits the fields it was filled with, then OK (or Cancel).
void answerEdit(std::function<void(TPointDialog&)> change, bool ok = true,
                QStringList* filled = nullptr) {
    whenModal<TfrmDataEdit>([=](TfrmDataEdit* d) {
        if (filled)
            *filled = shown(*d);
        change(*d);
        (ok ? d->Button2 : d->Button1)->click();
    });
}

QStringList row(const TMainForm& f, int r) {
    QStringList cells;
    for (int c = 0; c < 5; ++c)
        cells << f.NiceGrid1->Cells(c, r);
    return cells;
}

// IDs of a group's points, in order.
QStringList ids(const TNCADItem* item) {
    QStringList out;
    for (const auto& p : item->Points)
        out << QString::fromStdString(p->ID);
    return out;
}

QStringList codes(const TNCADProject& project) {
    QStringList out;
    for (const auto& item : project)
        out << QString::fromStdString(item->Code());
    return out;
}

TNCADItem* group(const TMainForm& f, const char* code) {
    int index = -1;
    return f.Project->FindItemByCode(code, index);
}

void import(TMainForm& f, const char* text) { f.ImportPointLines(TPointLines::FromUtf8(text)); }

// Moves the view away from any fit, so that a later fit shows.
void unfit(TMainForm& f) {
    f.NCAD1->SetCenter(-1e6, 1e6);
    f.NCAD1->Scale = 1e-3;
}

bool isFitted(TMainForm& f) {
    const double cx = f.NCAD1->CenterX, cy = f.NCAD1->CenterY, scale = f.NCAD1->Scale;
    f.NCAD1->ZoomExtents();
    return cx == f.NCAD1->CenterX && cy == f.NCAD1->CenterY && scale == f.NCAD1->Scale;
}

void select(TMainForm& f, int r) { f.NiceGrid1->SetSelectedRow(r); }

QPoint cellCentre(const TMainForm& f, int r) {
    return f.NiceGrid1->visualRect(f.NiceGrid1->model()->index(r, 1)).center();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList state(const TMainForm& f) { return jobState(*f.NiceGrid1, *f.Project); }

// The window shown and active, so that its keys work as the user's do.
bool showActive(TMainForm& f) {
    f.show();
    f.activateWindow();
    return QTest::qWaitForWindowActive(&f);
}

// A window key, as the user presses it (a dialog that just closed may have left the window
// inactive).
void keys(TMainForm& f, Qt::Key key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
    if (!showActive(f))
        qFatal("the window does not become active");
    QTest::keyClick(&f, key, mods);
}

// A job as the save writes it: saving it unchanged gives these bytes back.
const QByteArray kSavedJob = "A1, 1.0000, 2.0000, 3.0000, A\r\n"
                             "A2, 7.0000, 8.0000, 9.0000, A\r\n"
                             "B1, 4.0000, 5.0000, 6.0000, B\r\n";

// Counts the paints of the view's surface.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class TestMainTable : public QObject {
    Q_OBJECT
private slots:
    void commandsAreWired() {
        TMainForm form;
        for (QToolButton* b : {form.btnImportTXT, form.btnExportTXT, form.btnGridAddPoint,
                               form.btnGridDelPoint})
            QVERIFY(b->isEnabled());
        QVERIFY(form.XT1->isEnabled());
    }

    // ---------------------------------------------------------------- add

    void addByDialog() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        answerNew({"P1", "1.5", "-2", "3.25", "road"});
        form.btnGridAddPoint->click();
        answerNew({"", "1.123456", "7", "0", "road"});
        unfit(form);
        form.btnGridAddPoint->click();

        QCOMPARE(row(form, 0), (QStringList{"P1", "1.5000", "-2.0000", "3.2500", "road"}));
        // An empty ID shows the row's own number; the point keeps its empty ID.
        QCOMPARE(row(form, 1), (QStringList{"2", "1.1235", "7.0000", "0.0000", "road"}));
        QCOMPARE(codes(*form.Project), QStringList{"road"}); // the code as typed
        const TNCADItem* road = group(form, "road");
        QCOMPARE(ids(road), (QStringList{"P1", ""}));
        QCOMPARE(road->GetPoint(1)->X, 1.123456);
        QCOMPARE(form.NiceGrid1->RowTag(1), static_cast<void*>(road->GetPoint(1)));
        QVERIFY(isFitted(form));
        QVERIFY(boxes.seen.isEmpty());
    }

    void addByDialogCancelOrInvalidAddsNothingButFits() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        import(form, "A1,10,20,0,A\nA2,30,50,0,A\n");

        answerNew({"X", "5", "5", "5", "B"}, false);
        unfit(form);
        form.btnGridAddPoint->click();
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QVERIFY(isFitted(form));

        // OK with a bad number keeps the dialog open; Cancel then leaves.
        whenModal<TDataNewForm>([](TDataNewForm* d) {
            type(*d, {"X", "5", "1,5", "5", "B"});
            d->Button2->click();
            d->Button1->click();
        });
        unfit(form);
        form.btnGridAddPoint->click();
        QCOMPARE(boxes.texts(Dialogs::Icon::Warning),
                 QStringList{"Y 값 '1,5'은(는) 올바른 숫자가 아닙니다. 고쳐 입력하십시오."});
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(codes(*form.Project), QStringList{"A"});
        QVERIFY(isFitted(form));
    }

    // The view's add-point event goes through the edit dialog: the code is upper-cased, so it
    // is another group than the same code typed into the new-point dialog.
    void addByMouse() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        answerNew({"N1", "0", "0", "0", "gate"});
        form.btnGridAddPoint->click();

        form.NCAD1->SetCenter(100, 100);
        form.NCAD1->Repaint();
        const double scale = form.NCAD1->Scale;
        QStringList filled;
        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("gate"); }, true, &filled);
        form.btnAddPoint->click();
        const QPoint at(50, 60);
        QTest::mousePress(form.NCAD1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(form.NCAD1->viewport(), Qt::LeftButton, {}, at);
        double wx = 0, wy = 0;
        form.NCAD1->ScreenToWorld(at.x(), at.y(), wx, wy);

        QCOMPARE(filled, (QStringList{"", FormatFixed4(wx).c_str(), FormatFixed4(wy).c_str(),
                                      "0.0000", ""}));
        QCOMPARE(codes(*form.Project), (QStringList{"gate", "GATE"}));
        QCOMPARE(row(form, 1), (QStringList{"2", FormatFixed4(wx).c_str(),
                                            FormatFixed4(wy).c_str(), "0.0000", "GATE"}));
        const TPoint3D* added = group(form, "GATE")->GetPoint(0);
        QCOMPARE(added->ID, std::string());
        QCOMPARE(added->X, std::stod(FormatFixed4(wx))); // what the field showed
        QCOMPARE(form.NiceGrid1->RowTag(1), static_cast<const void*>(added));
        // Repainted, not fitted.
        QCOMPARE(form.NCAD1->CenterX, 100.0);
        QCOMPARE(form.NCAD1->Scale, scale);
        QCOMPARE(form.NCAD1->MouseMode, mmNone);
        QVERIFY(boxes.seen.isEmpty());
    }

    void addByMouseCancelAddsAndPaintsNothing() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        PaintCounter counter;
        form.NCAD1->viewport()->installEventFilter(&counter);
        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("x"); }, false);
        form.NCAD1->OnAddedPoint(1, 2);
        QCOMPARE(counter.paints, 0);
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        QCOMPARE(form.Project->Count(), 0);

        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("x"); });
        form.NCAD1->OnAddedPoint(1, 2);
        QVERIFY(counter.paints > 0);
        QCOMPARE(form.NiceGrid1->RowCount(), 1);
    }

    // ---------------------------------------------------------------- delete

    void deleteMessagesAndConfirmation() {
        Boxes boxes;
        TMainForm form;
        form.btnGridDelPoint->click();
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].text, QString("삭제할 측점이 존재하지 않습니다."));
        QCOMPARE(boxes.seen[0].buttons, Dialogs::Buttons::Ok);

        import(form, "A1,1,2,3,A\nA2,4,5,6,A\n");
        boxes.seen.clear();
        select(form, -1);
        form.btnGridDelPoint->click(); // nothing selected: said so, nothing asked or deleted
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].buttons, Dialogs::Buttons::Ok);
        QCOMPARE(form.NiceGrid1->RowCount(), 2);

        boxes.seen.clear();
        boxes.answer = Dialogs::Answer::No;
        select(form, 1);
        form.btnGridDelPoint->click();
        QCOMPARE(boxes.seen.size(), 1);
        QCOMPARE(boxes.seen[0].title, QString("Confirm"));
        QCOMPARE(boxes.seen[0].text, QString("측점을 삭제하시겠습니까?"));
        QCOMPARE(boxes.seen[0].icon, Dialogs::Icon::Question);
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(group(form, "A")->PointCount(), 2);

        boxes.answer = Dialogs::Answer::Yes;
        form.btnGridDelPoint->click();
        QCOMPARE(form.NiceGrid1->RowCount(), 1);
        QCOMPARE(ids(group(form, "A")), QStringList{"A1"});
        QCOMPARE(form.NiceGrid1->SelectedRow(), 0); // the row above moves up into the selection
    }

    // Rows the numbers cannot tell apart: equal coordinates, more than four decimals.
    void deleteTakesTheRowsOwnPoint() {
        Boxes boxes;
        TMainForm form;
        import(form, "P1,5,5,0,A\nP2,5,5,0,B\nP3,5,5,0,A\n");
        answerNew({"Q", "1.123456", "2.987654", "0", "A"});
        form.btnGridAddPoint->click();

        select(form, 0);
        form.btnGridDelPoint->click();
        QCOMPARE(ids(group(form, "A")), (QStringList{"P3", "Q"}));
        QCOMPARE(ids(group(form, "B")), QStringList{"P2"});
        select(form, 2); // Q, shown as 1.1235
        form.btnGridDelPoint->click();
        QCOMPARE(ids(group(form, "A")), QStringList{"P3"});
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(row(form, 0)[0], QString("P2"));
        QCOMPARE(row(form, 1)[0], QString("P3"));
    }

    // A row that lost its link (none of ours does) falls back to its numbers.
    void rowWithoutLinkUsesItsNumbers() {
        Boxes boxes;
        TMainForm form;
        import(form, "P1,5,5,0,A\nP2,5,5,0,B\nP3,7,7,0,A\n");
        form.NiceGrid1->SetRowTag(2, nullptr);
        select(form, 2);
        form.btnGridDelPoint->click();
        QCOMPARE(ids(group(form, "A")), QStringList{"P1"});
    }

    // The group stays, so the import command still opens files in a second run.
    void deleteLeavesEmptyGroupAndImportGoesToSecondRun() {
        Boxes boxes;
        QTemporaryDir dir;
        const QString path = writeFile(dir, "job 2.txt", "Z1,1,1,1,Z\r\n");
        TMainForm form;
        QStringList started;
        form.SecondRunStarter = [&](const QString& p, const QStringList&) { started << p; };
        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        import(form, "A1,1,2,3,a\n");
        select(form, 0);
        form.btnGridDelPoint->click();
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        QCOMPARE(form.Project->Count(), 1);
        QCOMPARE(group(form, "A")->PointCount(), 0);

        form.XT1->trigger();
        QCOMPARE(started, QStringList{path});
        QCOMPARE(form.NiceGrid1->RowCount(), 0);
        QVERIFY(form.MsgStr->toPlainText().isEmpty());

        // A second run that cannot start is reported.
        form.SecondRunStarter = [](const QString&, const QStringList&) { throw std::runtime_error("Cannot start"); };
        form.btnImportTXT->click();
        QCOMPARE(boxes.texts(Dialogs::Icon::Error), QStringList{"Cannot start"});
    }

    // ---------------------------------------------------------------- edit

    void editChangingTheCodeMovesThePoint() {
        Boxes boxes;
        TMainForm form;
        import(form, "A1,1,2,3,A\nA2,4,5,6,A\nB1,7,8,9,B\n");
        QStringList filled;
        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("b"); }, true, &filled);
        select(form, 0);
        emit form.NiceGrid1->DblClick();

        QCOMPARE(filled, (QStringList{"A1", "1.0000", "2.0000", "3.0000", "A"}));
        QCOMPARE(ids(group(form, "A")), QStringList{"A2"});
        QCOMPARE(ids(group(form, "B")), (QStringList{"B1", "A1"}));
        QCOMPARE(row(form, 0), (QStringList{"A1", "1.0000", "2.0000", "3.0000", "B"}));
        // The row follows its point into the new group: deleting it removes that point.
        QCOMPARE(form.NiceGrid1->RowTag(0), static_cast<void*>(group(form, "B")->GetPoint(1)));
        form.btnGridDelPoint->click();
        QCOMPARE(ids(group(form, "B")), QStringList{"B1"});

        // A code no group has yet makes a new group at the end.
        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("new"); });
        select(form, 0);
        emit form.NiceGrid1->DblClick();
        QCOMPARE(codes(*form.Project), (QStringList{"A", "B", "NEW"}));
        QCOMPARE(group(form, "A")->PointCount(), 0);
    }

    void editInPlace() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        import(form, "A1,1,2,3,A\nA2,4,5,6,A\n");
        answerEdit([](TPointDialog& d) {
            d.EdtID->setText("A1x");
            d.edtX->setText("9.5");
        });
        // Through the mouse, as a user does it: press and release, then the double-click.
        QTest::mouseClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
        QTest::mouseDClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
        QCOMPARE(ids(group(form, "A")), (QStringList{"A1x", "A2"}));
        QCOMPARE(group(form, "A")->GetPoint(0)->X, 9.5);
        QCOMPARE(row(form, 0), (QStringList{"A1x", "9.5000", "2.0000", "3.0000", "A"}));
    }

    // The same code (the dialog upper-cases it) renames the group; its other rows keep
    // their texts.
    void editRenamesALowerCaseGroup() {
        Boxes boxes;
        TMainForm form;
        answerNew({"1", "1", "1", "0", "wall"});
        form.btnGridAddPoint->click();
        answerNew({"2", "2", "2", "0", "wall"});
        form.btnGridAddPoint->click();
        answerEdit([](TPointDialog&) {});
        select(form, 1);
        emit form.NiceGrid1->DblClick();
        QCOMPARE(codes(*form.Project), QStringList{"WALL"});
        QCOMPARE(ids(group(form, "WALL")), (QStringList{"1", "2"}));
        QCOMPARE(row(form, 0)[4], QString("wall"));
        QCOMPARE(row(form, 1)[4], QString("WALL"));
    }

    // Equal coordinates and more than four decimals: the row's own point is edited.
    void editTakesTheRowsOwnPoint() {
        Boxes boxes;
        TMainForm form;
        import(form, "P1,5,5,0,A\nP2,5,5,0,A\n");
        answerNew({"Q", "1.123456", "2", "0", "A"});
        form.btnGridAddPoint->click();

        QStringList filled;
        answerEdit([](TPointDialog& d) { d.EdtID->setText("P1 edited"); }, true, &filled);
        select(form, 0);
        emit form.NiceGrid1->DblClick();
        QCOMPARE(ids(group(form, "A")), (QStringList{"P1 edited", "P2", "Q"}));

        filled.clear();
        answerEdit([](TPointDialog& d) { d.EdtID->setText("Q2"); }, true, &filled);
        select(form, 2);
        emit form.NiceGrid1->DblClick();
        QCOMPARE(filled.value(1), QString("1.1235"));
        QCOMPARE(ids(group(form, "A")), (QStringList{"P1 edited", "P2", "Q2"}));
    }

    void editCancelOrInvalidChangesNothing() {
        Boxes boxes;
        TMainForm form;
        import(form, "A1,1,2,3,a\n");
        const QStringList before = row(form, 0);
        answerEdit([](TPointDialog& d) { d.edtCodeType->setText("B"); }, false);
        select(form, 0);
        emit form.NiceGrid1->DblClick();
        answerEdit(
            [](TPointDialog& d) {
                d.edtCodeType->setText("B");
                d.edtZ->setText("x");
                d.Button2->click(); // refused: the dialog stays for Cancel
            },
            false);
        emit form.NiceGrid1->DblClick();
        QCOMPARE(boxes.texts(Dialogs::Icon::Warning),
                 QStringList{"Z 값 'x'은(는) 올바른 숫자가 아닙니다. 고쳐 입력하십시오."});
        QCOMPARE(row(form, 0), before);
        QCOMPARE(codes(*form.Project), QStringList{"A"});
        QCOMPARE(group(form, "A")->GetPoint(0)->Z, 3.0);

        // No row selected: no dialog.
        bool opened = false;
        whenModal<TfrmDataEdit>([&](TfrmDataEdit* d) {
            opened = true;
            d->reject();
        });
        select(form, -1);
        emit form.NiceGrid1->DblClick();
        QVERIFY(!opened);
    }

    void deleteAndEnterKeys() {
        Boxes boxes;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        import(form, "A1,1,2,3,A\nA2,4,5,6,A\n");
        select(form, 0);
        form.NiceGrid1->setFocus();
        QTest::keyClick(form.NiceGrid1, Qt::Key_Delete);
        QCOMPARE(boxes.seen.size(), 1); // asked first
        QCOMPARE(ids(group(form, "A")), QStringList{"A2"});
        answerEdit([](TPointDialog& d) { d.EdtID->setText("E"); });
        QTest::keyClick(form.NiceGrid1, Qt::Key_Return);
        QCOMPARE(ids(group(form, "A")), QStringList{"E"});
    }

    // ---------------------------------------------------------------- centre

    void clickCentresTheView() {
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        import(form, "A1,10,20,0,A\nA2,100.5,-40.25,0,A\n");
        const double scale = form.NCAD1->Scale;
        QTest::mouseClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 1));
        QCOMPARE(form.NiceGrid1->SelectedRow(), 1);
        QCOMPARE(form.NCAD1->CenterX, 100.5);
        QCOMPARE(form.NCAD1->CenterY, -40.25);
        QCOMPARE(form.NCAD1->Scale, scale);
    }

    // ---------------------------------------------------------------- files

    void importCommandIntoAnEmptyWindow() {
        Boxes boxes;
        QTemporaryDir dir;
        const QString path = writeFile(dir, "현장 1.txt", "P1 100.5 200.25 10 a\r\nP2,1,2,,\xB0\xE6\xB0\xE8\r\n");
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        bool started = false;
        form.SecondRunStarter = [&](const QString&, const QStringList&) { started = true; };
        QStringList filters;
        form.OpenDialogHook = [&](QFileDialog& d) {
            filters = d.nameFilters();
            return QString();
        };
        form.btnImportTXT->click(); // Cancel
        QCOMPARE(filters.mid(0, 2), (QStringList{"TXT (*.txt)", "CSV (*.csv)"}));
        QCOMPARE(filters.value(2), QString::fromUtf8("측량기 파일 (*.gsi *.sdr *.raw *.rw5 *.are *.job)"));
        QCOMPARE(form.NiceGrid1->RowCount(), 0);

        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        unfit(form);
        form.btnImportTXT->click();
        QVERIFY(!started);
        QCOMPARE(row(form, 0), (QStringList{"P1", "100.5", "200.25", "10", "A"}));
        QCOMPARE(row(form, 1), (QStringList{"P2", "1", "2", "0", "경계"}));
        QCOMPARE(codes(*form.Project), (QStringList{"A", "경계"}));
        QVERIFY(isFitted(form));
        QCOMPARE(form.MsgStr->toPlainText(), TMainForm::CompletionLine());
        QVERIFY(boxes.seen.isEmpty());
    }

    // Instrument files by the import command: detected from any entry, or read in the column
    // order of the chosen entry (also in a second window); records left out in one box.
    void importInstrumentFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("filter"); // the open dialog's entry
        QTest::addColumn<QStringList>("firstRow");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("box");
        QTest::newRow("RW5 detected") << QByteArray("JB,NMJOB\r\nMO,AD0,UN2,SF1.0,EC0,EO0.0,AU0\r\n"
                                                    "OC,OP1,N 200.0,E 100.0,EL10.0,--CP\r\n"
                                                    "BK,OP1,BP2,BS0.0000,BC0.0000\r\n"
                                                    "LS,HI1.5,HR1.5\r\n"
                                                    "SS,OP1,FP3,AR90.0000,ZE90.0000,SD10.0,--fence\r\n"
                                                    "SS,OP1,FP4,ARx,ZE90.0000,SD10.0,--fence\r\n")
                                      << 0 << QStringList{"1", "100.0000", "200.0000", "10.0000", "CP"} << 2
                                      << QString::fromUtf8("\"{file}\" 파일: 측량기 데이터의 기록 1개를 불러오지 "
                                                           "못했습니다. 읽을 수 있는 측점 2개는 불러왔습니다.\n\n"
                                                           "7번째 줄: ");
        QTest::newRow("column order chosen") << QByteArray("P1,200.5,100.25,10,a\r\n") << 3
                                             << QStringList{"P1", "100.2500", "200.5000", "10.0000", "A"}
                                             << 1 << QString();
        QTest::newRow("same lines as point lines") << QByteArray("P1,200.5,100.25,10,a\r\n") << 1
                                                   << QStringList{"P1", "200.5", "100.25", "10", "A"}
                                                   << 1 << QString();
    }
    void importInstrumentFiles() {
        QFETCH(QByteArray, text);
        QFETCH(int, filter);
        QFETCH(QStringList, firstRow);
        QFETCH(int, rows);
        QFETCH(QString, box);
        Boxes boxes;
        QTemporaryDir dir;
        const QString path = writeFile(dir, "job.txt", text);
        TMainForm form;
        QStringList started;
        form.SecondRunStarter = [&](const QString& p, const QStringList& o) { started << p << o.join(" "); };
        form.OpenDialogHook = [&](QFileDialog& d) {
            d.selectNameFilter(d.nameFilters().value(filter));
            return path;
        };
        form.btnImportTXT->click();
        QCOMPARE(row(form, 0), firstRow);
        QCOMPARE(form.NiceGrid1->RowCount(), rows);
        QCOMPARE(boxes.seen.size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QVERIFY2(boxes.seen[0].text.startsWith(QString(box).replace("{file}", path)),
                     qPrintable(boxes.seen[0].text));
        QVERIFY(form.MsgStr->toPlainText().endsWith(TMainForm::CompletionLine()));

        form.btnImportTXT->click(); // a job is here: a window of its own, with the chosen order
        QCOMPARE(started, (QStringList{path, filter == 3 ? "--from PNEZD" : ""}));
    }

    // The error box keeps the message and adds the file and the line; an empty line that
    // leaves lines unread is said in the message area, before the completion line.
    void importSaysWhereItStopped_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");    // {file}: the file
        QTest::addColumn<QString>("messages"); // and {done}: the completion line
        QTest::addColumn<double>("centreX");
        QTest::newRow("faulty line") << QByteArray("P1,1,2,3,A\nP2,50,60,7,A\nP3,4,5\nP4,8,9,1,A\n")
                                     << "List index out of bounds (3)\n\"{file}\" 파일의 3번째 줄" << "" << 25.5;
        QTest::newRow("empty line") << QByteArray("P1,1,2,3,A\nP2,50,60,7,A\n\nP3,4,5,6,A\n\nP4,8,9,1,A\n")
                                    << ""
                                    << "\"{file}\" 파일의 3번째 줄이 비어 있어 데이터가 그 줄에서 끝났습니다. "
                                       "그 뒤의 2줄은 읽지 않았습니다.\n{done}" << 25.5;
        QTest::newRow("cp949 and utf-8 lines") << QByteArray("P1,1,2,3,A,\xB0\xE6\nP2,50,60,7,A,경\n") << ""
                                               << "\"{file}\" 파일은 CP949 줄과 UTF-8 줄이 섞여 있어 줄마다 따로 "
                                                  "읽었습니다. UTF-8로 읽은 줄(1줄): 2. 나머지는 CP949로 읽었습니다.\n{done}"
                                               << 25.5;
        QTest::newRow("blank lines at the end") << QByteArray("P1,1,2,3,A\nP2,50,60,7,A\n\n\n")
                                                << "" << "{done}" << 25.5;
    }
    void importSaysWhereItStopped() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QFETCH(QString, messages);
        QFETCH(double, centreX);
        Boxes boxes;
        QTemporaryDir dir;
        const QString path = writeFile(dir, "job.csv", text);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        unfit(form);
        form.btnImportTXT->click();
        auto fill = [&](QString text) {
            return text.replace("{file}", path).replace("{done}", TMainForm::CompletionLine());
        };
        QCOMPARE(boxes.texts(Dialogs::Icon::Error), error.isEmpty() ? QStringList() : QStringList{fill(error)});
        QCOMPARE(form.NiceGrid1->RowCount(), 2);
        QCOMPARE(ids(group(form, "A")), (QStringList{"P1", "P2"}));
        QCOMPARE(form.MsgStr->toPlainText(), fill(messages));
        QVERIFY(isFitted(form));
        QCOMPARE(form.NCAD1->CenterX, centreX);
    }

    // A file that gives no point: one error box says why, nothing is added or logged, and
    // no second window is started for it (a pipe would leave that one waiting).
    void fileThatGivesNoPoint_data() {
        QTest::addColumn<QString>("kind"); // "gone", "fifo", or the file's text
        QTest::addColumn<bool>("withJob");
        QTest::addColumn<QString>("error"); // {file}: the file
        QTest::newRow("missing") << "gone" << false
                                 << "Cannot open file \"{file}\". No such file or directory";
        const QString pipe = "Cannot open file \"{file}\". It is not a regular file (a device or a pipe)";
        QTest::newRow("a pipe") << "fifo" << false << pipe;
        QTest::newRow("a pipe, beside a job") << "fifo" << true << pipe;
        QTest::newRow("an empty file") << "" << false << "\"{file}\" 파일: no records found as point lines";
        QTest::newRow("instrument records all left out")
            << "SS,OP1,FP4,AZ0.0000,ZEbad,SD10.000,--x\r\n" << false
            << "\"{file}\" 파일: none of the 1 records could be read as RW5\n1번째 줄: 'bad' is not a valid angle";
    }
    void fileThatGivesNoPoint() {
        QFETCH(QString, kind);
        QFETCH(bool, withJob);
        QFETCH(QString, error);
        Boxes boxes;
        QTemporaryDir dir;
        QString path = dir.filePath("job.txt");
        if (kind == "fifo")
            QCOMPARE(::mkfifo(path.toLocal8Bit().constData(), 0600), 0);
        else if (kind != "gone")
            writeFile(dir, "job.txt", kind.toUtf8());
        TMainForm form;
        if (withJob)
            import(form, "A1,10,20,0,A\n");
        form.MsgStr->clear();
        bool started = false;
        form.SecondRunStarter = [&](const QString&, const QStringList&) { started = true; };
        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        form.btnImportTXT->click();
        QCOMPARE(boxes.texts(Dialogs::Icon::Error), QStringList{QString(error).replace("{file}", path)});
        QCOMPARE(boxes.seen.size(), 1);
        QVERIFY(!started);
        QCOMPARE(form.NiceGrid1->RowCount(), withJob ? 1 : 0);
        QVERIFY(form.MsgStr->toPlainText().isEmpty());
        QVERIFY(form.JobFile.isEmpty());
    }

    // Cancel in the progress window of a big file, point lines or an instrument's: the job,
    // its undo steps, its file name and the view's place are as before, and the message area
    // says so; beside a job as a receive brings it in. Once the points are in, the window
    // finishes without a Cancel that could no longer stop anything.
    void cancelledImportLeavesTheJob_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("withJob");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("into an empty window") << "big.csv" << false << true;
        QTest::newRow("beside a job") << "big.csv" << true << true;
        QTest::newRow("instrument file into an empty window") << "big.gsi" << false << true;
        QTest::newRow("instrument file beside a job") << "big.gsi" << true << true;
        QTest::newRow("finishing, no Cancel") << "big.csv" << false << false;
        QTest::newRow("instrument file finishing, no Cancel") << "big.gsi" << true << false;
    }
    void cancelledImportLeavesTheJob() {
        QFETCH(QString, file);
        QFETCH(bool, withJob);
        QFETCH(bool, cancel);
        Boxes boxes;
        QTemporaryDir dir;
        // Big enough for the progress window, with a new group and the job's own.
        const bool gsi = file.endsWith(".gsi");
        const int points = gsi ? 60000 : 200000;
        QByteArray big;
        for (int i = 0; i < points; ++i)
            big += (gsi ? QString("11%1+%2 81..00+%3 82..00+%4 83..00+00001000 71....+0000000%5 \r\n")
                              .arg(i % 10000, 4, 10, QChar('0'))
                              .arg(i + 1, 8, 10, QChar('0'))
                              .arg(i * 10 + 5, 8, 10, QChar('0'))
                              .arg(i * 10 + 2, 8, 10, QChar('0'))
                        : QString("N%1,%1.5,%1.25,1,%2\n").arg(i))
                       .arg(i % 2 ? "A" : "C")
                       .toLatin1();
        const QString path = writeFile(dir, file, big);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (withJob) {
            import(form, kSavedJob.constData());
            form.NCAD1->SetCenter(1, 2);
            form.NCAD1->Repaint();
        }
        form.MsgStr->clear();
        const QStringList before = state(form);
        const QImage view = form.NCAD1->viewport()->grab().toImage();
        const QString jobFile = form.JobFile;
        const int steps = form.UndoStack->count();
        const int rows = form.NiceGrid1->RowCount();
        bool pressed = false;
        if (cancel)
            whenModal<QProgressDialog>([&](QProgressDialog* d) {
                for (QPushButton* button : d->findChildren<QPushButton*>())
                    if (button->text() == QString::fromUtf8("취소")) {
                        QTest::mouseClick(button, Qt::LeftButton);
                        pressed = true;
                    }
            });
        // The table takes the rows once the reading is done: what the window offers then.
        QStringList finishing;
        connect(form.NiceGrid1->model(), &QAbstractItemModel::rowsInserted, this, [&] {
            if (auto* d = form.findChild<QProgressDialog*>())
                finishing << d->labelText() << QString::number(d->findChildren<QPushButton*>().size());
        });
        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        if (withJob)
            form.ImportFile(path);
        else
            form.btnImportTXT->click();
        QVERIFY(boxes.seen.isEmpty());
        if (!cancel) {
            QCOMPARE(finishing, QStringList({QString::fromUtf8("마무리하는 중입니다..."), "0"}));
            QCOMPARE(form.NiceGrid1->RowCount(), rows + points);
            return;
        }
        QVERIFY(pressed);
        QCOMPARE(state(form), before);
        QCOMPARE(form.NCAD1->viewport()->grab().toImage(), view);
        QCOMPARE(form.UndoStack->count(), steps);
        QCOMPARE(form.UndoStack->index(), steps);
        QCOMPARE(form.JobFile, jobFile);
        QCOMPARE(form.MsgStr->toPlainText(), QString::fromUtf8("불러오기를 취소했습니다: \"%1\"").arg(path));
    }

    void saveCommandShowsTheSaveDialog() {
        Boxes boxes;
        QTemporaryDir dir;
        TMainForm form;
        import(form, "B1,1,2,3,B\nA1,4,5,6,A\nB2,7,8,9,b\n");
        whenModal<TFileSaveForm>([&](TFileSaveForm* d) {
            d->FileNameEdit->setText("out");
            d->DirectoryEdit->SetText(dir.path());
            d->BitBtn1->click();
        });
        form.btnExportTXT->click();
        QFile saved(dir.filePath("out.txt"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("B1, 1.0000, 2.0000, 3.0000, B\r\n"
                                             "B2, 7.0000, 8.0000, 9.0000, B\r\n"
                                             "A1, 4.0000, 5.0000, 6.0000, A\r\n"));
    }

    // ---------------------------------------------------------------- undo, save, close

    // Each command is one step, named in the 편집 menu; undo gives back the very job it
    // changed (table, points, links, order) and the saved state, redo the change again.
    void undoAndRedoEachCommand_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("step");
        QTest::newRow("add") << "add" << "측점 추가";
        QTest::newRow("click-add") << "click-add" << "측점 추가";
        QTest::newRow("edit in place") << "edit" << "측점 수정";
        QTest::newRow("edit to a new code") << "edit code" << "측점 수정";
        QTest::newRow("delete") << "delete" << "측점 삭제";
        QTest::newRow("import a file") << "import" << "파일 불러오기";
        // The step other windows push for a whole-job change.
        QTest::newRow("move every point") << "move" << "좌표 변환";
    }
    void undoAndRedoEachCommand() {
        QFETCH(QString, command);
        QFETCH(QString, step);
        Boxes boxes;
        QTemporaryDir dir;
        TMainForm form;
        QVERIFY(showActive(form));
        form.ImportFile(writeFile(dir, "job.txt", kSavedJob));
        const QStringList before = state(form);
        QVERIFY(!form.UndoStack->canUndo()); // the opened file is where the work starts
        if (command == "add") {
            answerNew({"N1", "7", "8", "9", "C"});
            form.btnGridAddPoint->click();
        } else if (command == "click-add") {
            answerEdit([](TPointDialog& d) { d.edtCodeType->setText("A"); });
            form.NCAD1->OnAddedPoint(1, 2);
        } else if (command.startsWith("edit")) {
            answerEdit([&](TPointDialog& d) {
                d.edtX->setText("9.5");
                if (command == "edit code")
                    d.edtCodeType->setText("b");
            });
            QTest::mouseClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
            QTest::mouseDClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
        } else if (command == "delete") {
            select(form, 0);
            form.btnGridDelPoint->click();
        } else if (command == "import") {
            form.ImportFile(writeFile(dir, "more.txt", "C1,1,1,1,C\r\nA9,2,2,2,A\r\n"));
        } else {
            std::vector<TPointMove> moves;
            for (const auto& item : *form.Project)
                for (const auto& p : item->Points)
                    moves.push_back({p.get(), p->X + 1000.123456, p->Y - 0.5, p->Z});
            unfit(form);
            form.UndoStack->push(MakeMovePoints({*form.NiceGrid1, *form.Project, *form.NCAD1},
                                                step, std::move(moves))
                                     .release());
            QVERIFY(isFitted(form));
            QCOMPARE(row(form, 2), (QStringList{"B1", "1004.1235", "4.5000", "6.0000", "B"}));
        }
        const QStringList after = state(form);
        QVERIFY(after != before);
        QVERIFY(form.JobChanged());
        QCOMPARE(form.JobPanel->text(), QString("job.txt (수정됨)"));
        QCOMPARE(form.UndoItem->text(), "실행 취소: " + step);

        PaintCounter counter;
        form.NCAD1->viewport()->installEventFilter(&counter);
        keys(form, Qt::Key_Z);
        QCOMPARE(state(form), before);
        QVERIFY(!form.JobChanged());
        QCOMPARE(form.JobPanel->text(), QString("job.txt"));
        QCOMPARE(form.RedoItem->text(), "다시 실행: " + step);
        QTRY_VERIFY(counter.paints > 0); // the view shows it too
        keys(form, Qt::Key_Y);
        QCOMPARE(state(form), after);
        keys(form, Qt::Key_Z);
        keys(form, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(state(form), after);
        QVERIFY(form.JobChanged());
    }

    // A hundred deletes here and there, undone one by one, give back the job to the byte.
    void hundredStepsBackToTheSavedFile() {
        Boxes boxes;
        QTemporaryDir dir;
        QByteArray text;
        for (int i = 0; i < 120; ++i)
            text += QString("P%1, %2.0000, 1.0000, 0.0000, C%3\r\n").arg(i).arg(i).arg(i / 40).toUtf8();
        const QString path = writeFile(dir, "job.txt", text);
        TMainForm form;
        QVERIFY(showActive(form));
        form.ImportFile(path);
        const QStringList before = state(form);
        for (int i = 0; i < 110; ++i) {
            select(form, (i * 7) % form.NiceGrid1->RowCount());
            form.btnGridDelPoint->click();
        }
        QCOMPARE(form.NiceGrid1->RowCount(), 10);
        for (int i = 0; i < 110; ++i)
            keys(form, Qt::Key_Z);
        QCOMPARE(state(form), before);
        QVERIFY(!form.JobChanged());
        writeFile(dir, "job.txt", "");
        keys(form, Qt::Key_S);
        QCOMPARE(readFile(path), text);
    }

    // 저장 writes the job's own file; a job without one, and 다른 이름으로 저장, ask for a
    // file in the job's folder and ask before replacing another.
    void saveAndSaveAs() {
        Boxes boxes;
        QTemporaryDir dir;
        TMainForm form;
        QVERIFY(showActive(form));
        QCOMPARE(form.JobPanel->text(), QString("제목 없음"));
        QStringList asked; // the folder and file each dialog offered
        QStringList answers;
        form.SaveDialogHook = [&](QFileDialog& d) {
            asked << d.directory().absolutePath() + "|" + d.selectedFiles().value(0).section('/', -1);
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
        // Received points: no file of their own, so 저장 asks where; cancelled, nothing moves.
        import(form, "A1,1,2,3,A\nA2,7,8,9,A\nB1,4,5,6,B\n");
        QCOMPARE(form.JobPanel->text(), QString("제목 없음 (수정됨)"));
        keys(form, Qt::Key_S);
        QCOMPARE(asked.size(), 1);
        QVERIFY(form.JobChanged());
        QVERIFY(form.JobPath().isEmpty());

        // Another file is there: not replaced without a yes; the dialog asks again.
        const QString other = writeFile(dir, "other.txt", "keep");
        answers = {other, dir.filePath("job.txt")};
        boxes.answer = Dialogs::Answer::No;
        keys(form, Qt::Key_S);
        QCOMPARE(readFile(other), QByteArray("keep"));
        QVERIFY(boxes.texts().last().contains("other.txt"));
        QCOMPARE(readFile(dir.filePath("job.txt")), kSavedJob);
        QCOMPARE(form.JobPath(), dir.filePath("job.txt"));
        QCOMPARE(form.JobPanel->text(), QString("job.txt"));

        // Now 저장 writes there without asking; 다른 이름으로 저장 starts in its folder.
        boxes.answer = Dialogs::Answer::Yes;
        select(form, 0);
        form.btnGridDelPoint->click();
        asked.clear();
        keys(form, Qt::Key_S);
        QVERIFY(asked.isEmpty());
        QCOMPARE(readFile(dir.filePath("job.txt")), kSavedJob.mid(kSavedJob.indexOf('\n') + 1));
        QVERIFY(!form.JobChanged());
        answers = {dir.filePath("copy")};
        keys(form, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(asked, QStringList{QDir(dir.path()).absolutePath() + "|job.txt"});
        QCOMPARE(readFile(dir.filePath("copy.txt")), readFile(dir.filePath("job.txt")));
        QCOMPARE(form.JobPanel->text(), QString("copy.txt"));
    }

    // 저장 at the close question closes only once the job is in its file.
    void closeWithSave_data() {
        QTest::addColumn<QString>("answer"); // what the save dialog gives
        QTest::addColumn<bool>("closes");
        QTest::newRow("save dialog cancelled") << "" << false;
        QTest::newRow("write fails") << "no/such/folder/job.txt" << false;
        QTest::newRow("saved") << "job.txt" << true;
    }
    void closeWithSave() {
        QFETCH(QString, answer);
        QFETCH(bool, closes);
        Boxes boxes;
        QTemporaryDir dir;
        TMainForm form;
        QVERIFY(showActive(form));
        import(form, "A1,1,2,3,A\nA2,7,8,9,A\nB1,4,5,6,B\n");
        form.SaveDialogHook = [&](QFileDialog&) { return answer.isEmpty() ? answer : dir.filePath(answer); };
        boxes.answer = Dialogs::Answer::Yes; // 저장
        form.close();
        QCOMPARE(form.isVisible(), !closes);
        QCOMPARE(boxes.texts(Dialogs::Icon::Error).size(), answer.contains('/') ? 1 : 0);
        QCOMPARE(readFile(dir.filePath("job.txt")), closes ? kSavedJob : QByteArray());
        QCOMPARE(form.JobChanged(), !closes);
    }

    // Closing asks once when the job changed since it was opened or saved: 취소 keeps the
    // window, 저장 안 함 closes it.
    void closingAsksWhenTheJobChanged_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("asks");
        QTest::newRow("opened from a file") << "" << false;
        QTest::newRow("point added") << "add" << true;
        QTest::newRow("point edited") << "edit" << true;
        QTest::newRow("point deleted") << "delete" << true;
        QTest::newRow("points received") << "receive" << true;
        // temp.dat is overwritten by the next receive: its points are not saved anywhere.
        QTest::newRow("received, in a second window") << "second run" << true;
        QTest::newRow("saved after a change") << "add, save" << false;
        QTest::newRow("added, then undone") << "add, undo" << false;
    }
    void closingAsksWhenTheJobChanged() {
        QFETCH(QString, change);
        QFETCH(bool, asks);
        Boxes boxes;
        QTemporaryDir dir;
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const bool secondRun = change == "second run";
        RecvFiles::SetFolders(dir.path().toStdString(), dir.filePath("data").toStdString());
        form.ImportFile(writeFile(dir, secondRun ? "temp.dat" : "job.txt", "A1,1,2,3,A\r\nA2,4,5,6,A\r\n"));
        RecvFiles::SetFolders("", "");
        QCOMPARE(form.JobChanged(), secondRun);
        if (change.contains("add")) {
            answerNew({"N1", "7", "8", "9", "B"});
            form.btnGridAddPoint->click();
        } else if (change == "edit") {
            answerEdit([](TPointDialog& d) { d.edtX->setText("9.5"); });
            QTest::mouseClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
            QTest::mouseDClick(form.NiceGrid1->viewport(), Qt::LeftButton, {}, cellCentre(form, 0));
            QCOMPARE(group(form, "A")->GetPoint(0)->X, 9.5);
        } else if (change == "delete") {
            select(form, 0);
            form.btnGridDelPoint->click();
            QCOMPARE(form.NiceGrid1->RowCount(), 1);
        } else if (change == "receive") {
            import(form, "R1,1,1,1,R\n");
        }
        if (change.contains("save")) {
            whenModal<TFileSaveForm>([&](TFileSaveForm* d) {
                d->FileNameEdit->setText("saved");
                d->DirectoryEdit->SetText(dir.path());
                d->BitBtn1->click();
            });
            form.btnExportTXT->click();
        }
        if (change.contains("undo")) {
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QTest::keyClick(&form, Qt::Key_Z, Qt::ControlModifier);
        }
        QCOMPARE(form.JobChanged(), asks);
        const qsizetype before = boxes.seen.size();
        boxes.answer = Dialogs::Answer::Cancel;
        form.N9->trigger(); // 종료
        QCOMPARE(boxes.seen.size(), before + (asks ? 1 : 0));
        QCOMPARE(form.isVisible(), asks);
        if (!asks)
            return;
        const Dialogs::Box& question = boxes.seen.last();
        QVERIFY(question.buttons == Dialogs::Buttons::YesNoCancel);
        QCOMPARE(QStringList({question.yesText, question.noText, question.cancelText}),
                 QStringList({"저장", "저장 안 함", "취소"}));
        boxes.answer = Dialogs::Answer::No;
        form.close(); // the close box
        QVERIFY(!form.isVisible());
        QCOMPARE(boxes.seen.size(), before + 2);
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainTable t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_maintable.moc"
