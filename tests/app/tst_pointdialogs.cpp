#include "support/Boxes.h"
#include "support/Modal.h"

#include "app/DataEdit.h"
#include "app/DataNew.h"
#include "app/SecondRun.h"
#include "model/Point3D.h"
#include "text/NumText.h"
#include "toolkit/Application.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Typed {
    QString id, x, y, z, code;
};

// Replaces the fields' texts with `t` and presses OK (or Cancel).
void typeAndPress(TPointDialog& d, const Typed& t, bool ok = true) {
    const std::pair<QLineEdit*, QString> fields[] = {
        {d.EdtID, t.id}, {d.edtX, t.x}, {d.edtY, t.y}, {d.edtZ, t.z}, {d.edtCodeType, t.code}};
    for (const auto& [edit, text] : fields) {
        edit->clear();
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, c.toLatin1());
            else
                edit->insert(c); // no key code for Hangul; an input method would insert it
        }
    }
    (ok ? d.Button2 : d.Button1)->click();
}

QWidget* nextFocusable(QWidget* w) {
    do
        w = w->nextInFocusChain();
    while (!(w->focusPolicy() & Qt::TabFocus));
    return w;
}

QStringList shown(const TPointDialog& d) {
    return {d.EdtID->text(), d.edtX->text(), d.edtY->text(), d.edtZ->text(), d.edtCodeType->text()};
}

} // namespace

class TestPointDialogs : public QObject {
    Q_OBJECT
private slots:
    void layouts() {
        TDataNewForm n;
        TfrmDataEdit e;
        QCOMPARE(n.windowTitle(), QString("DataNewForm"));
        QCOMPARE(n.BandCaption->text(), QString("측점 데이터 신규 등록"));
        QCOMPARE(n.size(), QSize(379, 253));
        QCOMPARE(e.windowTitle(), QString("입력데이터 수정"));
        QCOMPARE(e.BandCaption->text(), QString("입력 아이템 세부 항목 수정"));
        QCOMPARE(e.size(), QSize(383, 286));
        for (TPointDialog* d : {static_cast<TPointDialog*>(&n), static_cast<TPointDialog*>(&e)}) {
            QCOMPARE(d->BandCaption->height(), 26);
            QCOMPARE(d->BandCaption->palette().color(QPalette::Window), QColor(192, 220, 192));
            QCOMPARE(d->GroupBox1->title(), QString("세부 항목 설정"));
            QCOMPARE(d->GroupBox1->pos(), QPoint(8, 32));
            QCOMPARE(d->lblID->text(), QString("측점번호:"));
            QCOMPARE(d->lblCodeType->text(), QString("Code :"));
            const int tops[] = {16, 48, 81, 114, 148};
            QLineEdit* edits[] = {d->EdtID, d->edtX, d->edtY, d->edtZ, d->edtCodeType};
            for (int i = 0; i < 5; ++i) {
                QCOMPARE(edits[i]->geometry().topLeft(), QPoint(97, tops[i]));
                QCOMPARE(edits[i]->width(), 257);
            }
            QCOMPARE(d->BottomPanel->height(), 34);
            QCOMPARE(d->Button2->text(), QString("&Ok"));
            QCOMPARE(d->Button1->text(), QString("&Cancel"));
            QCOMPARE(d->Button2->geometry().x(), 116);
            QCOMPARE(d->Button1->geometry().x(), 197);
            QCOMPARE(d->Button2->size(), QSize(75, 25));
            QVERIFY(d->Button2->isDefault());
            // Tab order: ID, X, Y, Z, code, OK, Cancel.
            QWidget* order[] = {d->EdtID, d->edtX, d->edtY, d->edtZ, d->edtCodeType, d->Button2, d->Button1};
            for (int i = 0; i + 1 < 7; ++i)
                QCOMPARE(nextFocusable(order[i]), order[i + 1]);
        }
    }

    void executeNewKeepsCodeAsTyped() {
        QStringList filled;
        bool idFocused = false;
        whenModal<TDataNewForm>([&](TDataNewForm* d) {
            filled = shown(*d);
            idFocused = d->focusWidget() == d->EdtID;
            QVERIFY(d->edtCodeType->isEnabled());
            typeAndPress(*d, {"P 7 ", " 12.5 ", "-3e2", "0", "road"});
        });
        double x = 1.23456, y = 0, z = 0;
        std::string id = "old", code = "Ab";
        TDataNewForm d;
        QVERIFY(d.ExecuteNew(x, y, z, id, code));
        QCOMPARE(filled, (QStringList{"old", "1.2346", "0.0000", "0.0000", "Ab"}));
        QVERIFY(idFocused);
        QCOMPARE(id, std::string("P 7 ")); // the ID exactly as typed
        QCOMPARE(x, 12.5);
        QCOMPARE(y, -300.0);
        QCOMPARE(code, std::string("road"));
    }

    void editUpperCasesCode() {
        QStringList filled;
        whenModal<TfrmDataEdit>([&](TfrmDataEdit* d) {
            filled = shown(*d);
            typeAndPress(*d, {"", "5", "6", "7.25", "gate 측"});
        });
        TPoint3D p(100.5, 200.25, 10);
        std::string code = "wall", id = "P1";
        TfrmDataEdit d;
        QVERIFY(d.EditPoint(p, code, id));
        QCOMPARE(filled, (QStringList{"P1", "100.5000", "200.2500", "10.0000", "WALL"}));
        QCOMPARE(code, std::string("GATE 측"));
        QCOMPARE(id, std::string());
        QCOMPARE(p.X, 5.0);
        QCOMPARE(p.Z, 7.25);
    }

    // A number that is no number keeps the dialog open with everything typed, names the
    // field and puts the focus back on it; fixed, OK takes it. Cancel changes nothing.
    void invalidKeepsTypingCancelChangesNothing_data() {
        QTest::addColumn<bool>("edit"); // the edit dialog, else the new-point one
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<int>("bad"); // the field that is no number (1 X .. 3 Z); 0: press Cancel
        QTest::addColumn<QString>("box");
        QTest::newRow("cancel") << true << QStringList{"B", "9", "9", "9", "D"} << 0 << QString();
        QTest::newRow("comma in Y")
            << true << QStringList{"B", "9", "1,5", "9", "D"} << 2
            << "Y 값 '1,5'은(는) 올바른 숫자가 아닙니다. 고쳐 입력하십시오.";
        QTest::newRow("Z empty") << false << QStringList{"B", "9", "9", "", "d"} << 3
                                 << "Z 값이 비어 있습니다. 숫자를 입력하십시오.";
        QTest::newRow("space in X")
            << false << QStringList{"B", "1 2", "9", "9", "d"} << 1
            << "X 값 '1 2'은(는) 올바른 숫자가 아닙니다. 고쳐 입력하십시오.";
    }
    void invalidKeepsTypingCancelChangesNothing() {
        QFETCH(bool, edit);
        QFETCH(QStringList, typed);
        QFETCH(int, bad);
        QFETCH(QString, box);
        Boxes boxes;
        bool open = false, focused = false;
        QStringList kept;
        auto act = [&](TPointDialog* d) {
            typeAndPress(*d, {typed[0], typed[1], typed[2], typed[3], typed[4]}, bad != 0);
            if (!bad)
                return;
            QLineEdit* field = QList<QLineEdit*>{d->edtX, d->edtY, d->edtZ}[bad - 1];
            open = d->isVisible();
            kept = shown(*d);
            focused = d->focusWidget() == field;
            field->setText("2.5");
            d->Button2->click();
        };
        double v[3] = {1, 2, 3};
        std::string id = "A", code = "c";
        bool ok;
        if (edit) {
            whenModal<TfrmDataEdit>(act);
            TfrmDataEdit d;
            ok = d.EditValues(v[0], v[1], id, code, v[2]);
        } else {
            whenModal<TDataNewForm>(act);
            TDataNewForm d;
            ok = d.ExecuteNew(v[0], v[1], v[2], id, code);
        }
        QCOMPARE(boxes.texts(), bad ? QStringList{box} : QStringList{});
        QCOMPARE(ok, bad != 0);
        if (!bad) {
            QCOMPARE(QList<double>(v, v + 3), (QList<double>{1, 2, 3}));
            QCOMPARE(id + code, std::string("Ac"));
            return;
        }
        QVERIFY(open);
        QCOMPARE(kept, typed);
        QVERIFY(focused);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(v[i], i + 1 == bad ? 2.5 : StrToFloat(typed[i + 1].toStdString()));
        QCOMPARE(id, std::string("B"));
    }

    // The second run gets the path as one argument, whatever it holds.
    void secondRunArgumentSurvives() {
        QTemporaryDir dir;
        const QString path = dir.filePath("job \"1\" 'a' $HOME;x.txt");
        StartProgram("/usr/bin/touch", {path});
        QTRY_VERIFY(QFile::exists(path));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, StartProgram(dir.filePath("no-such-program"), {path}));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestPointDialogs t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_pointdialogs.moc"
