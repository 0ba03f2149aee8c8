// The window in Korean: ctest starts it with LANG=ko_KR.UTF-8 and nothing else naming a
// language, as a user would start it, whether that locale is installed or not.
#include "support/Boxes.h"
#include "support/Modal.h"

#include "app/Main.h"
#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/forms/ComComboBox.h"
#include "comm/forms/ComSetup.h"
#include "comm/forms/DataRecv.h"
#include "toolkit/Application.h"

#include <QAction>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestMainLanguage : public QObject {
    Q_OBJECT
private slots:
    void portAndToolkitTexts() {
        TMainForm form;
        form.show();
        QStringList shown;
        whenModal<TComSetupFrm>([&shown](TComSetupFrm* d) {
            shown << d->windowTitle() << d->GroupBox1->title();
            for (QLabel* label : {d->Label1, d->Label2, d->Label3, d->Label4, d->Label5, d->Label6})
                shown << label->text();
            for (int i = 1; i < 6; ++i)
                shown << d->Combo(i)->Text();
            shown << d->Button1->text() << d->Button2->text();
            d->Combo6->setCurrentIndex(d->Combo6->findText("하드웨어"));
            emit d->Combo6->activated(d->Combo6->currentIndex());
            d->Button1->click();
        });
        form.N3->trigger();
        QCOMPARE(shown, QStringList({"설정", " 통신 설정 ", "포트", "전송 속도", "데이터 비트", "정지 비트", "패리티",
                                     "흐름 제어", "4800", "8", "1", "없음", "소프트웨어", "확인", "취소"}));
        // The choice is the value behind the Korean text.
        QCOMPARE(form.ComPort->FlowControl().FlowControl(), fcHardware);
        QCOMPARE(form.ReceiveWindow->Label6->text(), QString("흐름 제어"));
        QCOMPARE(form.ReceiveWindow->Button1->text(), QString("취소(&C)"));

        form.ComPort->SetPort("/nonexistent/ttyS9");
        try {
            form.ComPort->Open();
            QFAIL("opened a port that does not exist");
        } catch (const EComPort& e) {
            QVERIFY2(QString::fromUtf8(e.what()).startsWith("통신 포트를 열 수 없습니다 (시스템 오류 코드: 2)"), e.what());
        }

        QStringList box;
        whenModal<QMessageBox>([&box](QMessageBox* b) {
            box << b->windowTitle();
            for (QAbstractButton* button : b->buttons())
                box << button->text();
            b->buttons().last()->click();
        });
        Dialogs::Confirm("?");
        box.sort();
        QCOMPARE(box, QStringList({"아니요(&N)", "예(&Y)", "확인"}));
    }

    // The readers speak English (the command line's text); the window says it in Korean.
    void readerReasons_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("box"); // {file}: the file
        QTest::newRow("empty") << QByteArray() << "\"{file}\" 파일: 측점 파일 형식(으)로 읽을 기록이 없습니다";
        QTest::newRow("records left out")
            << QByteArray("SS,OP1,FP4,AZ0.0000,ZEbad,SD10.000,--x\r\n")
            << "\"{file}\" 파일: 기록 1개 중 RW5(으)로 읽을 수 있는 것이 없습니다\n"
               "1번째 줄: 'bad'은(는) 올바른 각도가 아닙니다";
        QTest::newRow("notes") << QByteArray("110001+00000001 21.102+00000000 22.102+10000000 31..00+00000000 "
                                             "110002+00000002 21.102+10000000 22.102+10000000 31..00+00005000 \r\n")
                               << "\"{file}\" 파일: 참고:\n"
                                  "1번째 줄: 기계점 설치가 없습니다: 관측을 임의 원점 0,0,0에서 계산했습니다\n"
                                  "1번째 줄: '1'까지의 거리가 0입니다: 측점으로 만들지 않았습니다";
    }
    void readerReasons() {
        QFETCH(QByteArray, file);
        QFETCH(QString, box);
        QTemporaryDir dir;
        const QString path = dir.filePath("job.txt");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        Boxes boxes;
        TMainForm form;
        form.OpenDialogHook = [&](QFileDialog&) { return path; };
        form.btnImportTXT->click();
        QCOMPARE(boxes.texts(), QStringList{box.replace("{file}", path)});
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainLanguage t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_mainlang.moc"
