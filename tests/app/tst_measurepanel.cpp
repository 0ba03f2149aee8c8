#include "app/Main.h"
#include "app/MeasurePanel.h"
#include "io/PointImport.h"
#include "toolkit/Application.h"
#include "toolkit/NiceGrid.h"

#include <QCheckBox>
#include <QLabel>
#include <QtTest>

class TestMeasurePanel : public QObject {
    Q_OBJECT
private slots:
    // The panel shows the selected row's group, keeps the closed mark per code and follows
    // changes of the table without being told.
    void followsTheSelectedRow() {
        TMainForm main;
        main.ImportPointLines(TPointLines::FromUtf8("1,0,0,0,경계\n2,40,0,0,경계\n3,40,30,0,경계\n"
                                                    "4,0,30,0,경계\n5,0,0,1,도로\n6,3,4,1,도로\n"));
        const TMeasurePanel& panel = *main.MeasurePanel;
        const auto text = [&] { return panel.lblMeasure->text(); };
        QTRY_VERIFY(text().isEmpty()); // no row selected
        QVERIFY(!panel.chkClosed->isEnabled());

        const QString open = "경계: 점 4개 · 길이 110.000 m · 폐합 아니오";
        const QString closed = "경계: 점 %1개 · 길이 %2 m · 폐합 예 · 면적 1200.000 ㎡ (363.000 평) · "
                               "둘레 140.000 m";
        main.NiceGrid1->SetSelectedRow(1);
        QTRY_COMPARE(text(), open);
        panel.chkClosed->click();
        QCOMPARE(text(), closed.arg(4).arg("110.000"));

        main.NiceGrid1->SetSelectedRow(5);
        QTRY_COMPARE(text(), QString("도로: 점 2개 · 길이 5.000 m · 폐합 아니오"));
        QVERIFY(!panel.chkClosed->isChecked());
        main.NiceGrid1->SetSelectedRow(0);
        QTRY_COMPARE(text(), closed.arg(4).arg("110.000"));
        panel.chkClosed->click();
        QCOMPARE(text(), open);

        // The first corner shot again closes the figure by itself; no mark is needed.
        main.ImportPointLines(TPointLines::FromUtf8("7,0,0,0,경계\n"));
        QTRY_COMPARE(text(), closed.arg(5).arg("140.000"));
        QVERIFY(panel.chkClosed->isChecked());
        QVERIFY(!panel.chkClosed->isEnabled());
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMeasurePanel t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_measurepanel.moc"
