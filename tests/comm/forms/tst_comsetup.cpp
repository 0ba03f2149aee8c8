#include "support/Modal.h"
#include "support/PtyPair.h"

#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/PortNames.h"
#include "comm/forms/ComComboBox.h"
#include "comm/forms/ComSetup.h"
#include "toolkit/Application.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList items(const QComboBox& combo) {
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}

// The user picks an item, as a mouse click would.
void choose(TComComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

void mainWindowValues(TCustomComPort& port) {
    port.SetBaudRate(br4800);
    port.FlowControl().SetFlowControl(fcSoftware);
    port.SetDiscardNull(true);
    port.Timeouts().SetReadInterval(100);
    port.SetSyncMethod(smWindowSync);
}

} // namespace

class TestComSetup : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;
    PtyPair m_pty;
    std::string m_link; // the pty under a stable by-id name

private slots:
    void initTestCase() {
        InstallComSetupDialog();
        QVERIFY(m_root.isValid());
        QVERIFY(QDir().mkpath(m_root.filePath("sys")));
        QVERIFY(QDir().mkpath(m_root.filePath("dev/serial/by-id")));
        m_link = m_root.filePath("dev/serial/by-id/usb-Survey_Station-if00").toStdString();
        QVERIFY(::symlink(m_pty.SlavePath.c_str(), m_link.c_str()) == 0);
    }
    void init() {
        SetSerialPortRoots(m_root.filePath("sys").toStdString(), m_root.filePath("dev").toStdString());
    }
    void cleanup() { SetSerialPortRoots("", ""); }

    void itemsFollowTheProperty() {
        TComComboBox combo;
        QVERIFY(!combo.isEditable());
        combo.SetComProperty(cpBaudRate);
        QCOMPARE(items(combo), QStringList({"Custom", "110", "300", "600", "1200", "2400", "4800",
                                            "9600", "14400", "19200", "38400", "56000", "57600",
                                            "115200", "128000", "256000"}));
        QCOMPARE(combo.Text(), QString("Custom")); // unbound: the first item
        combo.SetComProperty(cpDataBits);
        QCOMPARE(items(combo), QStringList({"5", "6", "7", "8"}));
        combo.SetComProperty(cpStopBits);
        QCOMPARE(items(combo), QStringList({"1", "1.5", "2"}));
        combo.SetComProperty(cpParity);
        QCOMPARE(items(combo), QStringList({"None", "Odd", "Even", "Mark", "Space"}));
        combo.SetComProperty(cpFlowControl);
        QCOMPARE(items(combo), QStringList({"Hardware", "Software", "None", "Custom"}));
        combo.SetComProperty(cpPort);
        QCOMPARE(items(combo), QStringList({QString::fromStdString(m_link)}));
        combo.SetComProperty(cpNone);
        QCOMPARE(combo.count(), 0);
        QCOMPARE(combo.Text(), QString());
    }

    void mainWindowPortShowsItsValues() {
        TComPort port;
        mainWindowValues(port);
        const std::pair<TComProperty, QString> expected[] = {{cpBaudRate, "4800"},
                                                             {cpDataBits, "8"},
                                                             {cpStopBits, "1"},
                                                             {cpParity, "None"},
                                                             {cpFlowControl, "Software"}};
        for (const auto& [property, text] : expected) {
            TComComboBox combo;
            combo.SetComProperty(property);
            combo.SetComPort(&port);
            QCOMPARE(combo.Text(), text);
        }
    }

    void choiceIsPendingUntilApplied() {
        TComPort port;
        TComComboBox combo;
        combo.SetComProperty(cpBaudRate);
        combo.SetComPort(&port);
        choose(&combo, "19200");
        QCOMPARE(port.BaudRate(), br9600);
        combo.ReadFromPort(); // takes the port's value again
        combo.ApplyToPort();
        QCOMPARE(port.BaudRate(), br9600);
        choose(&combo, "19200");
        combo.ApplyToPort();
        QCOMPARE(port.BaudRate(), br19200);

        combo.SetAutoApply(true);
        choose(&combo, "2400");
        QCOMPARE(port.BaudRate(), br2400);

        combo.SetText("57600"); // selects, but is not a choice
        QCOMPARE(combo.Text(), QString("57600"));
        combo.SetText("nonsense");
        QCOMPARE(combo.Text(), QString("57600"));
        combo.ApplyToPort();
        QCOMPARE(port.BaudRate(), br2400);
    }

    void portNameNotInTheList() {
        PtyPair other;
        TComPort port;
        port.SetPort(other.SlavePath);
        port.Open();
        TComComboBox combo;
        combo.SetComProperty(cpPort);
        combo.SetComPort(&port);
        // The port in use is offered beside the listed ones, so applying keeps it.
        QCOMPARE(items(combo), QStringList({QString::fromStdString(m_link),
                                            QString::fromStdString(other.SlavePath)}));
        QCOMPARE(combo.Text(), QString::fromStdString(other.SlavePath));
        combo.ApplyToPort();
        QCOMPARE(port.Port(), other.SlavePath);
        QVERIFY(port.Connected());
    }

    void typedPortPathIsApplied() {
        PtyPair other;
        TComPort port;
        TComComboBox combo;
        combo.SetComProperty(cpPort);
        combo.SetComPort(&port);
        QVERIFY(combo.isEditable());
        QCOMPARE(combo.Text(), QString("COM1"));
        combo.lineEdit()->selectAll();
        QTest::keyClicks(combo.lineEdit(), QString::fromStdString(other.SlavePath));
        QCOMPARE(port.Port(), std::string("COM1")); // pending until applied
        combo.ApplyToPort();
        QCOMPARE(port.Port(), other.SlavePath);
        port.Open();
        QVERIFY(port.Connected());
    }

    void destroyedPortUnbinds() {
        TComComboBox combo;
        combo.SetComProperty(cpParity);
        {
            TComPort port;
            port.Parity().SetBits(prOdd);
            combo.SetComPort(&port);
            QCOMPARE(combo.Text(), QString("Odd"));
        }
        QCOMPARE(combo.ComPort(), nullptr);
        QCOMPARE(combo.Text(), QString("None"));
        combo.ApplyToPort(); // unbound: nothing
    }

    void setupDialogLayout() {
        TComSetupFrm form;
        QCOMPARE(form.windowTitle(), QString("Setup"));
        QCOMPARE(form.size(), QSize(231, 216));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QCOMPARE(form.GroupBox1->title(), QString(" Settings "));
        const QStringList labels = {"Port", "Baud rate", "Data bits", "Stop bits", "Parity",
                                    "Flow control"};
        const QLabel* all[] = {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5,
                               form.Label6};
        const TComProperty properties[] = {cpPort,     cpBaudRate, cpDataBits,
                                           cpStopBits, cpParity,   cpFlowControl};
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(all[i]->text(), labels[i]);
            QCOMPARE(form.Combo(i)->ComProperty(), properties[i]);
            QCOMPARE(form.Combo(i)->width(), 129);
            if (i > 0) {
                QCOMPARE(all[i]->y() - all[i - 1]->y(), 24);
                QCOMPARE(form.Combo(i)->y() - form.Combo(i - 1)->y(), 24);
            }
        }
        QCOMPARE(form.Button1->text(), QString("OK"));
        QVERIFY(form.Button1->isDefault());
        QCOMPARE(form.Button2->text(), QString("Cancel"));
        QVERIFY(form.Button1->geometry().bottom() < 216 && form.Button2->geometry().right() < 231);
    }

    void choosingHardwareInTheDialog() {
        TComPort port;
        mainWindowValues(port);
        port.FlowControl().SetControlDTR(dtrEnable);
        whenModal<TComSetupFrm>([](TComSetupFrm* form) {
            QCOMPARE(form->Combo6->Text(), QString("Software"));
            choose(form->Combo6, "Hardware");
            form->Button1->click();
        });
        QVERIFY(port.ExecuteSetupDialog());
        const TComFlowControl& f = port.FlowControl();
        QCOMPARE(f.ControlRTS(), rtsHandshake);
        QVERIFY(f.OutCTSFlow());
        QVERIFY(!f.XonXoffIn() && !f.XonXoffOut());
        QCOMPARE(f.ControlDTR(), dtrEnable);
        QCOMPARE(port.BaudRate(), br4800);
    }

    void cancelChangesNothing() {
        TComPort port;
        mainWindowValues(port);
        whenModal<TComSetupFrm>([](TComSetupFrm* form) {
            choose(form->Combo2, "115200");
            choose(form->Combo5, "Even");
            choose(form->Combo6, "None");
            form->Button2->click();
        });
        QVERIFY(!port.ExecuteSetupDialog());
        QCOMPARE(port.BaudRate(), br4800);
        QCOMPARE(port.Parity().Bits(), prNone);
        QCOMPARE(port.FlowControl().FlowControl(), fcSoftware);
        QCOMPARE(port.Port(), std::string("COM1"));
    }

    void okAppliesToTheOpenPortInOneStep() {
        TComPort port;
        mainWindowValues(port);
        port.SetPort(m_link);
        port.Open();
        whenModal<TComSetupFrm>([](TComSetupFrm* form) {
            QCOMPARE(form->Combo1->currentIndex(), 0);
            choose(form->Combo2, "9600");
            choose(form->Combo6, "None");
            form->Button1->click();
        });
        QVERIFY(port.ExecuteSetupDialog());
        QVERIFY(port.Connected());
        termios t = m_pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QVERIFY(!(t.c_iflag & (IXON | IXOFF)));
        port.BeginUpdate(); // the dialog's bracket was closed: this one is the only one
        port.SetBaudRate(br1200);
        port.EndUpdate();
        t = m_pty.Settings();
        QCOMPARE(cfgetospeed(&t), speed_t(B1200));
    }

    void dialogWithoutAPortList() {
        SetSerialPortRoots(m_root.filePath("missing").toStdString(), "");
        TComPort port;
        try {
            port.ExecuteSetupDialog();
            QFAIL("no error");
        } catch (const EComPort& e) {
            QCOMPARE(e.ErrorCode(), 23);
        }
        QVERIFY(!QApplication::activeModalWidget());
    }

    void receivedBytesArriveWhileADialogIsModal() {
        TComPort port;
        mainWindowValues(port);
        port.SetPort(m_link);
        std::string received;
        port.OnRxChar = [&](TCustomComPort* sender, int count) {
            std::string text;
            sender->ReadText(text, count);
            received += text;
        };
        port.Open();
        whenModal<TComSetupFrm>([this, &received](TComSetupFrm* form) {
            m_pty.Send("P1,1.0,2.0,3.0,A\r\n");
            QTRY_COMPARE(received, std::string("P1,1.0,2.0,3.0,A\r\n"));
            form->Button2->click();
        });
        port.ExecuteSetupDialog();
        QCOMPARE(received, std::string("P1,1.0,2.0,3.0,A\r\n"));
    }
};

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    TestComSetup t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_comsetup.moc"
