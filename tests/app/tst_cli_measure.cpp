// pointbridge-cli measure and convert --layers, run as a script runs them.
#include "text/Cp949.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestCliMeasure : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    int run(const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr) {
        QProcess p;
        p.start(PB_CLI_PROGRAM, args);
        p.waitForFinished(30000);
        if (out)
            *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    }

    QString job(const QString& name, const char* utf8) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::fromStdString(Cp949::FromUtf8(utf8)));
        return path;
    }

private slots:
    void measureTable() {
        const QString in = job("job.txt", "1,0,0,0,경계\r\n2,40,0,0,경계\r\n3,40,30,0,경계\r\n"
                                          "4,0,30,0,경계\r\n5,0,0,0,경계\r\n"
                                          "6,0,0,1,도로\r\n7,3,4,1,도로\r\n8,6,8,1,도로\r\n"
                                          "9,0,0,2,x\r\n10,10,10,2,x\r\n11,10,0,2,x\r\n12,0,10,2,x\r\n"
                                          "13,0,0,2,x\r\n"
                                          "14,0,0,3,bld\r\n15,10,0,3,bld\r\n16,10,10,3,bld\r\n"
                                          "17,0,10,3,bld\r\n");
        QByteArray out, err;
        QCOMPARE(run({"measure", "--closed", "bld", in}, &out, &err), 0);
        QVERIFY(err.isEmpty());
        QCOMPARE(QString::fromUtf8(out),
                 QString("code\tpoints\tlength_m\tclosed\tarea_m2\tarea_pyeong\tperimeter_m\tnote\n"
                         "경계\t5\t140.000\tyes\t1200.000\t363.000\t140.000\t\n"
                         "도로\t3\t10.000\tno\t\t\t\t\n"
                         "X\t5\t48.284\tyes\t\t\t48.284\tself-crossing\n"
                         "BLD\t4\t30.000\tyes\t100.000\t30.250\t40.000\t\n"));

        // A code that names no group is warned of; the table is the same.
        QByteArray same;
        QCOMPARE(run({"measure", "--closed", "bld", "--closed", "nosuch", in}, &same, &err), 0);
        QCOMPARE(err, ("pointbridge-cli measure: warning: --closed NOSUCH: " + in + " has no code group NOSUCH\n").toUtf8());
        QCOMPARE(same, out);

        QCOMPARE(run({"measure", job("bad.txt", "1,0,0,0,A\r\n2,0,y,0,A\r\n")}, &out, &err), 1);
        QCOMPARE(err, (m_dir.filePath("bad.txt") + ":2: 'y' is not a valid floating point value\n").toUtf8());
        QVERIFY(out.isEmpty());
        // Coordinates too large to measure: said, and no inf or nan in the table.
        QCOMPARE(run({"measure", job("far.txt", "1,1e308,0,0,A\r\n2,-1e308,0,0,A\r\n3,0,0,0,A\r\n")}, &out, &err), 1);
        QCOMPARE(QString::fromUtf8(out).section('\n', 1),
                 QString("A\t3\t\tno\t\t\t\tout of range\n"));
        QVERIFY(err.contains("group 'A': the coordinates are too large to measure"));
        QCOMPARE(run({"measure", m_dir.filePath("none.txt")}), 1);
        QCOMPARE(run({"measure"}), 2);
        QCOMPARE(run({"measure", "--help"}, &out), 0);
        QVERIFY(out.contains("area_pyeong"));
    }

    void convertWithLayers() {
        const QString in = job("plan.txt", "1,0,0,5,경계\r\n2,40,0,5,경계\r\n");
        const QString dxf = m_dir.filePath("plan.dxf");
        QCOMPARE(run({"convert", in, dxf, "--layers", "--scale", "1000"}), 0);
        QFile f(dxf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.startsWith("0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$ACADVER\r\n1\r\nAC1015\r\n"));
        QVERIFY(bytes.contains("\r\n$TEXTSIZE\r\n40\r\n2.5\r\n")); // 2.5 mm at 1:1000
        QCOMPARE(run({"convert", in, m_dir.filePath("plan.csv"), "--layers"}), 2);
        QCOMPARE(run({"convert", in, dxf, "--scale", "500"}), 2);
        QCOMPARE(run({"convert", in, dxf, "--layers", "--scale", "x"}), 2);
    }
};

QTEST_GUILESS_MAIN(TestCliMeasure)
#include "tst_cli_measure.moc"
