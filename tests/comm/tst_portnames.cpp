#include "app/cli/CliPorts.h"
#include "comm/ComError.h"
#include "comm/PortNames.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

void makeDir(const QString& path) { QVERIFY(QDir().mkpath(path)); }
void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}
void makeLink(const QString& target, const QString& link) {
    QVERIFY(::symlink(target.toLocal8Bit().constData(), link.toLocal8Bit().constData()) == 0);
}

// Captures what `action` prints on stdout.
std::string captureStdout(const std::function<void()>& action) {
    std::fflush(stdout);
    char path[] = "/tmp/pb-ports-XXXXXX";
    const int file = ::mkstemp(path);
    const int saved = ::dup(1);
    ::dup2(file, 1);
    action();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    std::string out;
    char buffer[256];
    ::lseek(file, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(file, buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<size_t>(n));
    ::close(file);
    ::unlink(path);
    return out;
}

} // namespace

class TestPortNames : public QObject {
    Q_OBJECT
    QTemporaryDir m_root;

    // A sysfs-like tree: terminals with and without a device, and two stable by-id names.
    void buildTree() {
        const QString sys = m_root.filePath("sys");
        for (const char* name : {"ttyUSB1", "ttyACM0", "ttyUSB0", "tty0", "ptmx", "ttyS0"})
            makeDir(sys + "/" + name);
        makeDir(m_root.filePath("devices/usb/driver"));
        for (const char* name : {"ttyUSB1", "ttyACM0", "ttyUSB0"})
            makeLink(m_root.filePath("devices/usb"), sys + "/" + name + "/device");
        // UART ports: ttyS0 has none answering (type 0), ttyS1 has a 16550A (type 4).
        makeDir(sys + "/ttyS1");
        makeDir(m_root.filePath("devices/platform"));
        for (const char* name : {"ttyS0", "ttyS1"})
            makeLink(m_root.filePath("devices/platform"), sys + "/" + name + "/device");
        writeFile(sys + "/ttyS0/type", "0\n");
        writeFile(sys + "/ttyS1/type", "4\n");
        makeDir(m_root.filePath("dev/serial/by-id"));
        for (const char* name : {"usb-FTDI_FT232R-if00-port0", "USB-Acme_Station-if00"})
            makeLink("../../ttyUSB0", m_root.filePath("dev/serial/by-id/") + name);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        buildTree();
    }
    void cleanup() { SetSerialPortRoots("", ""); }

    void devicePaths_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("path");
        QTest::newRow("COM1") << "COM1" << "/dev/ttyS0";
        QTest::newRow("com12") << "com12" << "/dev/ttyS11";
        QTest::newRow("under dev") << "ttyUSB0" << "/dev/ttyUSB0";
        QTest::newRow("path") << "/dev/serial/by-id/usb-x" << "/dev/serial/by-id/usb-x";
        QTest::newRow("COM0 is a name") << "COM0" << "/dev/COM0";
        QTest::newRow("COMx is a name") << "COMx" << "/dev/COMx";
        QTest::newRow("empty") << "" << "";
    }
    void devicePaths() {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QCOMPARE(QString::fromStdString(DevicePath(name.toStdString())), path);
    }

    void listsRealDevicesSortedIgnoringCase() {
        const std::string dev = m_root.filePath("dev").toStdString();
        SetSerialPortRoots(m_root.filePath("sys").toStdString(), dev);
        const std::vector<std::string> expected = {
            dev + "/serial/by-id/USB-Acme_Station-if00",
            dev + "/serial/by-id/usb-FTDI_FT232R-if00-port0",
            dev + "/ttyACM0", dev + "/ttyS1", dev + "/ttyUSB0", dev + "/ttyUSB1"};
        QCOMPARE(EnumSerialPorts(), expected);
    }

    void noByIdFolderIsNoError() {
        SetSerialPortRoots(m_root.filePath("sys").toStdString(), m_root.filePath("nodev").toStdString());
        QCOMPARE(EnumSerialPorts().size(), size_t(4));
    }

    void unreadableListRaisesRegistryError() {
        SetSerialPortRoots(m_root.filePath("missing").toStdString(), "");
        try {
            EnumSerialPorts();
            QFAIL("no error");
        } catch (const EComPort& e) {
            QCOMPARE(e.ErrorCode(), 23);
            QCOMPARE(std::string(e.what()), std::string("Registry error (win error code: 2)"));
        }
    }

    void portsCommand() {
        const std::string dev = m_root.filePath("dev").toStdString();
        SetSerialPortRoots(m_root.filePath("sys").toStdString(), dev);
        char name[] = "ports";
        char* argv[] = {name, nullptr};
        int status = -1;
        const std::string out = captureStdout([&] { status = RunPortsCommand(1, argv); });
        QCOMPARE(status, 0);
        QCOMPARE(QString::fromStdString(out).split('\n').size(), 7); // six lines
        QVERIFY(out.find(dev + "/ttyUSB1\n") != std::string::npos);

        SetSerialPortRoots(m_root.filePath("missing").toStdString(), "");
        QCOMPARE(RunPortsCommand(1, argv), 1);
        char extra[] = "extra";
        char* bad[] = {name, extra, nullptr};
        QCOMPARE(RunPortsCommand(2, bad), 2);
    }

    void systemListDoesNotFail() {
        // This machine may have no serial port at all; the list must still be readable.
        const std::vector<std::string> ports = EnumSerialPorts();
        for (const std::string& p : ports)
            QVERIFY(p.rfind("/dev/", 0) == 0);
    }
};

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
