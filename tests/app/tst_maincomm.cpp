#include "support/Boxes.h"
#include "support/Modal.h"

#include "app/AppSettings.h"
#include "app/Main.h"
#include "comm/ComPort.h"
#include "comm/PortNames.h"
#include "comm/SerialDevice.h"
#include "comm/forms/ComComboBox.h"
#include "comm/forms/ComSetup.h"
#include "comm/forms/DataRecv.h"
#include "comm/forms/DataSend.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

class TestMainComm : public QObject {
    Q_OBJECT
private slots:
    void init() { TAppSettings().Remove("port"); }
    void cleanup() { SetSerialPortRoots("", ""); }

    // The first start, and a start whose stored settings cannot be read back.
    void portStartsWithTheFixedValues_data() {
        QTest::addColumn<QStringList>("stored"); // key, value, ...
        QTest::newRow("first start") << QStringList();
        QTest::newRow("unreadable settings")
            << QStringList({"port/name", "", "port/baudRate", "fast", "port/dataBits", "9",
                            "port/stopBits", "3", "port/parity", "", "port/flowControl", "Both"});
    }
    void portStartsWithTheFixedValues() {
        QFETCH(QStringList, stored);
        {
            TAppSettings settings;
            for (int i = 0; i + 1 < stored.size(); i += 2)
                settings.SetValue(stored[i], stored[i + 1]);
            settings.Save();
        }
        TMainForm form;
        QVERIFY(form.ComPort);
        TComPort& p = *form.ComPort;
        QCOMPARE(p.parent(), &form);
        QCOMPARE(p.Port(), std::string("COM1"));
        QCOMPARE(p.BaudRate(), br4800);
        QCOMPARE(p.DataBits(), dbEight);
        QCOMPARE(p.StopBits(), sbOneStopBit);
        QCOMPARE(p.Parity().Bits(), prNone);
        QVERIFY(p.FlowControl().XonXoffIn() && p.FlowControl().XonXoffOut());
        QCOMPARE(p.FlowControl().FlowControl(), fcSoftware);
        QVERIFY(p.DiscardNull());
        QCOMPARE(p.Timeouts().ReadInterval(), 100);
        QCOMPARE(p.Timeouts().ReadTotalMultiplier(), 0);
        QCOMPARE(p.Timeouts().ReadTotalConstant(), 0);
        QCOMPARE(p.Timeouts().WriteTotalMultiplier(), 100);
        QCOMPARE(p.Timeouts().WriteTotalConstant(), 1000);
        QCOMPARE(p.Buffer().InputSize(), 8192);
        QCOMPARE(p.Buffer().OutputSize(), 8192);
        QCOMPARE(p.SyncMethod(), smWindowSync);
        QVERIFY(p.Events() == kAllComEvents);
        QVERIFY(!p.Connected());
        const TDeviceControl c = p.LineSettings();
        QCOMPARE(c.BaudRate, 4800);
        QCOMPARE(c.XonLim, 2048);
        QCOMPARE(c.XoffLim, 2048);
        QCOMPARE(c.DtrControl, dtrDisable);
        QCOMPARE(c.RtsControl, rtsDisable);
    }

    void settingsCommandOpensTheDialogOnThePort() {
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath("sys")));
        SetSerialPortRoots(root.filePath("sys").toStdString(), root.filePath("dev").toStdString());
        TMainForm form;
        form.show();
        QVERIFY(form.btnComPortSetting->isEnabled());
        QVERIFY(form.N3->isEnabled());
        QStringList shown;
        auto answer = [&shown](const QString& flow, const QString& port = {}, bool ok = true) {
            whenModal<TComSetupFrm>([&shown, flow, port, ok](TComSetupFrm* dialog) {
                for (int i = 1; i < 6; ++i)
                    shown << dialog->Combo(i)->Text();
                if (!port.isEmpty()) {
                    dialog->Combo1->lineEdit()->clear();
                    QTest::keyClicks(dialog->Combo1->lineEdit(), port);
                }
                dialog->Combo6->setCurrentIndex(dialog->Combo6->findText(flow));
                emit dialog->Combo6->activated(dialog->Combo6->currentIndex());
                (ok ? dialog->Button1 : dialog->Button2)->click();
            });
        };
        answer("None");
        form.btnComPortSetting->click();
        QCOMPARE(shown, QStringList({"4800", "8", "1", "None", "Software"}));
        QCOMPARE(form.ComPort->FlowControl().FlowControl(), fcNone);
        answer("Hardware", "/dev/ttyUSB0");
        form.N3->trigger(); // the menu item does what the button does
        QCOMPARE(form.ComPort->FlowControl().FlowControl(), fcHardware);
        QCOMPARE(form.ComPort->Port(), std::string("/dev/ttyUSB0"));
        // What was confirmed last is where the next start begins; Cancel keeps nothing.
        answer("Software", "/dev/ttyS7", false);
        form.N3->trigger();
        TMainForm next;
        QCOMPARE(next.ComPort->Port(), std::string("/dev/ttyUSB0"));
        QCOMPARE(next.ComPort->FlowControl().FlowControl(), fcHardware);
        QCOMPARE(next.ComPort->BaudRate(), br4800);
    }

    void windowComesUpWithoutAPortList() {
        SetSerialPortRoots("/nonexistent-sys", "");
        Boxes boxes;
        TMainForm form;
        QVERIFY(boxes.seen.isEmpty()); // told once the window is up, not in the middle of making it
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(boxes.texts(), QStringList({"Registry error (win error code: 2)"}));
        QTest::qWait(50);
        QCOMPARE(boxes.seen.size(), 1);
        // Complete all the same: project, both windows, the layers checked.
        QVERIFY(form.ComPort && form.ReceiveWindow && form.UploadWindow && form.Project);
        for (int i = 0; i < 5; ++i)
            QVERIFY(form.LayerListBox->Checked(i));
        // The receive window's port list still offers the port in use.
        form.ReceiveWindow->BindComPort(form.ComPort);
        QCOMPARE(form.ReceiveWindow->Combo1->Text(), QString("COM1"));
        form.btnComPortSetting->click();
        QCOMPARE(boxes.texts(), QStringList({"Registry error (win error code: 2)",
                                             "Registry error (win error code: 2)"}));
        QVERIFY(form.isVisible());
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestMainComm t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_maincomm.moc"
