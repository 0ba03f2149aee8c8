// pointbridge-cli transform and convert to GIS files, run as a script runs them.
#include "text/Cp949.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
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

    // A job whose X is northing, read as such, draws exactly as the job with its columns
    // exchanged read with X easting: same DXF bytes, same plot.
    void drawingsIgnoreColumnOrder_data() {
        QTest::addColumn<QString>("command"); // JOB and OUT stand for the files
        QTest::newRow("DXF") << "convert JOB OUT.dxf";
        QTest::newRow("DXF for CAD work") << "convert --layers JOB OUT.dxf";
        QTest::newRow("plot") << "plot JOB OUT.pdf --scale 500";
    }
    void drawingsIgnoreColumnOrder() {
        QFETCH(QString, command);
        const char* east = "1, 201349.9947, 448719.9895, 34.5764, 경계\r\n"
                           "2, 201362.6772, 448719.0711, 34.1485, 경계\r\n"
                           "3, 201375.6667, 448740.7202, 33.6562, 경계\r\n"
                           "9, 201330.0000, 448750.0000, 35.0000, 도로\r\n";
        const char* north = "1, 448719.9895, 201349.9947, 34.5764, 경계\r\n"
                            "2, 448719.0711, 201362.6772, 34.1485, 경계\r\n"
                            "3, 448740.7202, 201375.6667, 33.6562, 경계\r\n"
                            "9, 448750.0000, 201330.0000, 35.0000, 도로\r\n";
        // The same file name in two folders: a plot's title names the job file.
        auto draw = [&](const QString& folder, const char* job, const QStringList& axes) {
            QDir(m_dir.path()).mkpath(folder);
            file(folder + "/job.txt", job);
            QStringList args = command.split(' ');
            args.replaceInStrings("JOB", "job.txt").replaceInStrings("OUT", "out");
            QProcess p;
            p.setWorkingDirectory(m_dir.filePath(folder));
            p.start(PB_CLI_PROGRAM, args.mid(0, 1) + axes + args.mid(1));
            p.waitForFinished(30000);
            const QString out = m_dir.filePath(folder + "/" + args.filter(QRegularExpression("^out\\.")).first());
            if (!out.endsWith(".pdf")) {
                QFile f(out);
                f.open(QIODevice::ReadOnly);
                return f.readAll();
            }
            // A PDF's objects come in no fixed order: its pages are compared as pictures.
            QProcess raster;
            raster.start("pdftoppm", {"-r", "40", "-gray", out});
            raster.waitForFinished(30000);
            return raster.readAllStandardOutput();
        };
        if (command.contains(".pdf") && QStandardPaths::findExecutable("pdftoppm").isEmpty())
            QSKIP("pdftoppm (poppler-utils) is needed to compare plots");
        const QByteArray plain = draw("east", east, {});
        QVERIFY(plain.size() > 500);
        QCOMPARE(draw("north", north, {"--x-axis", "north"}), plain);
        // The columns do matter without the setting: the comparison can fail.
        QVERIFY(draw("mirrored", north, {}) != plain);
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
