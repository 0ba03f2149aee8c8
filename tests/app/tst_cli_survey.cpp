// pointbridge-cli traverse, inverse and cogo, run as a script runs them.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestCliSurvey : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    int run(QStringList args, QByteArray* out, QByteArray* err = nullptr) {
        for (QString& a : args) {
            a.replace("$LOOP", PB_SURVEY_DATA "/loop-traverse.gsi");
            a.replace("$DIR", m_dir.path());
        }
        QProcess p;
        p.start(PB_CLI_PROGRAM, args);
        p.waitForFinished(30000);
        *out = p.readAllStandardOutput();
        if (err)
            *err = p.readAllStandardError();
        return p.exitCode();
    }

private slots:
    void initTestCase() {
        QFile f(m_dir.filePath("job.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("A,1000,2000,10,CP\r\nB,1003,2004,22,CP\r\nC,1005,2000,0,CP\r\nD,0,0,0,\r\nD,1,1,0,\r\n");
    }

    void commands_data() {
        QTest::addColumn<QString>("args"); // split at blanks
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");

        const QString stations = "id\tX\tY\tZ\n"
                                 "B11\t201350.0000\t448720.0000\t35.1200\n"
                                 "D1\t201468.2130\t448781.5602\t37.8838\n"
                                 "D2\t201577.9012\t448702.3457\t41.2071\n"
                                 "D3\t201541.1204\t448566.7956\t38.0152\n"
                                 "D4\t201402.6593\t448590.1314\t34.4731\n";
        const QString closure = "angular_misclosure_sec\t15.8\nlinear_misclosure_m\t0.0093\n"
                                "total_length_m\t689.5870\nprecision\t74084\n";
        QTest::newRow("traverse, route found") << "traverse $LOOP $DIR/adjusted.txt" << 0 << closure + stations;
        QTest::newRow("traverse, route given, transit")
            << "traverse --route B11,D1,D2,D3,D4,B11 --rule transit $LOOP" << 0
            << closure + "id\tX\tY\tZ\nB11\t201350.0000\t448720.0000\t35.1200\nD1\t201468.2124\t448781.5601\t37.8838\n"
                         "D2\t201577.9002\t448702.3455\t41.2071\nD3\t201541.1205\t448566.7957\t38.0152\n"
                         "D4\t201402.6585\t448590.1312\t34.4731\n";
        QTest::newRow("traverse of a point file") << "traverse $DIR/job.txt" << 1 << "";
        QTest::newRow("traverse that cannot close") << "traverse --route B11,D1,D2 $LOOP" << 1 << "";
        QTest::newRow("traverse writing a drawing") << "traverse $LOOP $DIR/out.dxf" << 2 << "";
        QTest::newRow("inverse")
            << "inverse $DIR/job.txt A B" << 0
            << "from\tA\nto\tB\ndistance_m\t5.0000\nazimuth_dms\t36°52'11.6\"\nazimuth_deg\t36.869898\n"
               "dx_m\t3.0000\ndy_m\t4.0000\ndz_m\t12.0000\nslope_m\t13.0000\n";
        QTest::newRow("inverse to an id of two points") << "inverse $DIR/job.txt A D" << 1 << "";
        QTest::newRow("polar") << "cogo polar $DIR/job.txt A 90.0000 12.5" << 0 << "X\tY\n1012.5000\t2000.0000\n";
        QTest::newRow("two distances")
            << "cogo distances $DIR/job.txt A 4 C 3" << 0 << "X\tY\n1003.2000\t1997.6000\n1003.2000\t2002.4000\n";
        QTest::newRow("bearings") << "cogo bearings $DIR/job.txt A 45 C 315" << 0 << "X\tY\n1002.5000\t2002.5000\n";
        QTest::newRow("bearings apart") << "cogo bearings $DIR/job.txt A 0 C 0" << 1 << "";
        QTest::newRow("azimuth not in ddd.mmss") << "cogo polar $DIR/job.txt A 12.7000 5" << 1 << "";
    }
    void commands() {
        QFETCH(QString, args);
        QByteArray out, err;
        QTEST(run(args.split(' '), &out, &err), "status");
        QTEST(QString::fromUtf8(out), "out");
    }

    // The adjusted job: every point once, the stations where the table says.
    void adjustedJob() {
        QByteArray out;
        QCOMPARE(run({"traverse", "$LOOP", "$DIR/job-adjusted.csv"}, &out), 0);
        QFile f(m_dir.filePath("job-adjusted.csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 22); // 21 points and the last line end
        QVERIFY(lines.contains("D1, 201468.2130, 448781.5602, 37.8838,\r"));
        QVERIFY(lines.contains("101, 201362.1502, 448713.9201, 35.5737, FENCE\r"));
    }
};

QTEST_GUILESS_MAIN(TestCliSurvey)
#include "tst_cli_survey.moc"
