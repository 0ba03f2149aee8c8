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

    void cancelAndInvalidChangeNothing() {
        double x = 1, y = 2, z = 3;
        std::string id = "A", code = "c";
        whenModal<TfrmDataEdit>([](TfrmDataEdit* d) { typeAndPress(*d, {"B", "9", "9", "9", "d"}, false); });
        {
            TfrmDataEdit d;
            QVERIFY(!d.EditValues(x, y, id, code, z));
        }
        whenModal<TfrmDataEdit>([](TfrmDataEdit* d) { typeAndPress(*d, {"B", "9", "1,5", "9", "d"}); });
        {
            TfrmDataEdit d;
            try {
                d.EditValues(x, y, id, code, z);
                QFAIL("no error raised");
            } catch (const EConvertError& e) {
                QCOMPARE(QString(e.what()), QString("'1,5' is not a valid floating point value"));
            }
        }
        whenModal<TDataNewForm>([](TDataNewForm* d) { typeAndPress(*d, {"B", "9", "9", "", "d"}); });
        {
            TDataNewForm d;
            try {
                d.ExecuteNew(x, y, z, id, code);
                QFAIL("no error raised");
            } catch (const EConvertError& e) {
                QCOMPARE(QString(e.what()), QString("'' is not a valid floating point value"));
            }
        }
        QCOMPARE(x, 1.0);
        QCOMPARE(y, 2.0);
        QCOMPARE(z, 3.0);
        QCOMPARE(id, std::string("A"));
        QCOMPARE(code, std::string("c"));
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
