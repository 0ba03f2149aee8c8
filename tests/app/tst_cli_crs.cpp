// pointbridge-cli transform and convert to GIS files, run as a script runs them.
#include "text/Cp949.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestCliCrs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString file(const QString& name, const char* utf8) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::fromStdString(Cp949::FromUtf8(utf8)));
        return path;
    }

private slots:
    void initTestCase() {
        // A job in EPSG:5174 with X east, the same with X north, and the 5186 positions of
        // its points as cs2cs gives them.
        file("east.txt", "1, 201349.9947, 448719.9895, 34.5764, 경계\r\n"
                         "2, 201362.6772, 448719.0711, 34.1485, 경계\r\n"
                         "3, 201375.6667, 448720.7202, 33.6562, 경계\r\n");
        file("north.txt", "1, 448719.9895, 201349.9947, 34.5764, 경계\r\n");
        file("5186.txt",
             "1, 201419.6375, 549025.2423, 0, A\r\n2, 201432.3199, 549024.3242, 0, A\r\n"
             "3, 201445.3092, 549025.9735, 0, A\r\n");
    }

    void run_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("printed"); // a part of standard output or error
        QTest::addColumn<QString>("written"); // how OUT begins; empty: no OUT

        QTest::newRow("5174 to 5186, X east")
            << "transform --from-crs EPSG:5174 --to-crs EPSG:5186 east.txt out.txt" << 0
            << "EPSG:5174 -> EPSG:5186, 3 points\noperation: Inverse of Korea Modified Central "
               "Belt + Korean 1985 to Korea 2000 (1) + Korea Central Belt 2010 (3 points)\n"
               "accuracy: 약 1 m\n"
            << "1, 201419.6375, 549025.2423, 34.5764, 경계";
        QTest::newRow("5174 to 5186, X north")
            << "transform --from-crs 5174 --to-crs 5186 --x-axis north north.txt out.txt" << 0
            << "accuracy: 약 1 m"
            << "1, 549025.2423, 201419.6375, 34.5764, 경계";
        QTest::newRow("degrees would not survive four decimals")
            << "transform --from-crs 5174 --to-crs 4326 east.txt out.txt" << 1
            << "약 10 m가 틀어집니다"
            << "";
        QTest::newRow("helmert from common points")
            << "transform --common east.txt 5186.txt --method helmert --exclude 2 east.txt out.txt"
            << 0 << "RMS: 0.0000 m\n\nid\tdX\tdY\td\n1\t0.0000\t0.0000\t0.0000\n3\t"
            << "1, 201419.6375, 549025.2423, 34.5764, 경계";
        QTest::newRow("GeoPackage") << "convert --crs EPSG:5174 east.txt out.gpkg" << 0 << ""
                                    << "SQLite format 3";
        QTest::newRow("a GIS file needs its system")
            << "convert east.txt out.kml" << 2 << "--crs EPSG:NNNN"
            << "";
    }

    void run() {
        QFETCH(QString, args);
        QFETCH(int, exit);
        QFETCH(QString, printed);
        QFETCH(QString, written);
        const QStringList list = args.split(' ');
        const QString out = m_dir.filePath(list.last());
        QFile::remove(out);
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(PB_CLI_PROGRAM, list);
        QVERIFY(p.waitForFinished(30000));
        const QString said =
            QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        QCOMPARE(p.exitCode(), exit);
        QVERIFY2(said.contains(printed), qPrintable(said));
        QFile f(out);
        QCOMPARE(f.open(QIODevice::ReadOnly), !written.isEmpty());
        if (f.isOpen()) {
            const QString text = QString::fromStdString(Cp949::ToUtf8(f.readLine().toStdString()));
            QVERIFY2(text.startsWith(written), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestCliCrs)
#include "tst_cli_crs.moc"
