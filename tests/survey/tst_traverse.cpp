// Traverses worked by hand, through the instrument reader, the route, the adjustment and
// the side shots reduced again.
#include "support/SquareLoop.h"

#include "survey/AdjustedJob.h"
#include "survey/Observations.h"
#include "survey/TraverseRoute.h"

#include <QtTest>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

constexpr double kSecond = 3.14159265358979323846 / 180 / 3600;

struct TRun {
    TTraverseInput Input;
    TTraverseResult Result;
    TInstrumentResult Job;
};

TRun run(const std::string& bytes, TInstrumentFormat format, const QString& route, TTraverseRule rule) {
    const TObservationLog log = ReadObservations(bytes, TFormatChoice{format, ""});
    std::vector<std::string> ids;
    for (const QString& id : route.split(',', Qt::SkipEmptyParts))
        ids.push_back(id.toStdString());
    TRun r;
    r.Input = TraverseFromLog(log, ids);
    r.Result = AdjustTraverse(r.Input, rule);
    r.Job = AdjustedPoints(log, r.Input, r.Result);
    return r;
}

// "ID E N H; ..." against the job: each id once, within 1 mm.
void checkPoints(const std::vector<TSurveyPoint>& points, const QString& expected) {
    for (const QString& item : expected.split(';', Qt::SkipEmptyParts)) {
        const QStringList f = item.split(' ', Qt::SkipEmptyParts);
        int found = 0;
        for (const TSurveyPoint& p : points) {
            if (QString::fromStdString(p.Id) != f[0])
                continue;
            ++found;
            const QString where = QString("%1: %2 %3 %4").arg(f[0]).arg(p.E, 0, 'f', 4).arg(p.N, 0, 'f', 4).arg(p.H, 0, 'f', 4);
            QVERIFY2(std::abs(p.E - f[1].toDouble()) < 0.001 && std::abs(p.N - f[2].toDouble()) < 0.001 &&
                         std::abs(p.H - f[3].toDouble()) < 0.001,
                     qPrintable(where));
        }
        QVERIFY2(found == 1, qPrintable(f[0] + QString(" found %1 times").arg(found)));
    }
}

// The same loop with both faces at B and a collimation error of 10": face one reads
// 0°00'10" on A, face two 179°59'50", so the mean crosses zero; the angle there is exact.
const char kSquareFaces[] = "MO,AD0,UN1,AU0\n"
                            "SP,PNA,N 1000.000,E 1000.000,EL50.000,--CP\n"
                            "SP,PNR,N 900.000,E 1000.000,EL50.000,--CP\n"
                            "OC,OPA,N 1000.000,E 1000.000,EL50.000\n"
                            "LS,HI1.500,HR1.500\n"
                            "BK,OPA,BPR,BS,BC0.0000\n"
                            "TR,OPA,FPB,AR180.0000,ZE90.0000,SD100.000\n"
                            "SS,OPA,FPD,AR270.0000,ZE90.0000,SD100.000\n"
                            "OC,OPB\n"
                            "SS,OPB,FPA,AR0.0010,ZE90.0000,SD100.000\n"
                            "TR,OPB,FPC,AR270.0010,ZE90.0000,SD100.050\n"
                            "TR,OPB,FPC,AR89.5950,ZE270.0000,SD100.050\n"
                            "SS,OPB,FPA,AR179.5950,ZE270.0000,SD100.000\n"
                            "OC,OPC\n"
                            "BK,OPC,BPB,BC0.0000\n"
                            "TR,OPC,FPD,AR270.0000,ZE90.0000,SD100.000\n"
                            "OC,OPD\n"
                            "BK,OPD,BPC,BC0.0000\n"
                            "TR,OPD,FPA,AR270.0000,ZE90.0000,SD100.000\n";

// From K1 (2000, 3000, H 100), backsight R1 due north read at 10°, by T1 and T2 to K2,
// backsight T2 and foresight R2 due south. The angles are exact (45°, 225°, 225°, 225°),
// K2 is given 30 mm east and 40 mm south of where the legs lead (50 mm, 3-4-5), and 30 mm
// higher. K1-T1 is measured 141.4194 forward and 141.4234 back. Side shots P1 from K1 and
// P2 from T1, each 90° right of the backsight.
const char kConnecting[] = "MO,AD0,UN1,AU0\n"
                           "SP,PNK1,N 3000.000,E 2000.000,EL100.000\n"
                           "SP,PNR1,N 3200.000,E 2000.000,EL100.000\n"
                           "SP,PNK2,N 3049.960,E 2300.030,EL104.530\n"
                           "SP,PNR2,N 2949.960,E 2300.030,EL104.530\n"
                           "OC,OPK1,N 3000.000,E 2000.000,EL100.000\n"
                           "LS,HI1.500,HR1.500\n"
                           "BK,OPK1,BPR1,BC10.0000\n"
                           "TR,OPK1,FPT1,AR55.0000,HD141.4194,CE2.000\n"
                           "SS,OPK1,FPP1,AR100.0000,HD20.000,CE0.000,--PEG\n"
                           "OC,OPT1\n"
                           "BK,OPT1,BPK1,BC0.0000\n"
                           "SS,OPT1,FPK1,AR0.0000,HD141.4234,CE-2.000\n"
                           "TR,OPT1,FPT2,AR225.0000,HD150.000,CE3.000\n"
                           "SS,OPT1,FPP2,AR90.0000,HD10.000,CE0.000\n"
                           "OC,OPT2\n"
                           "BK,OPT2,BPT1,BC0.0000\n"
                           "TR,OPT2,FPK2,AR225.0000,HD70.7107,CE-0.500\n"
                           "OC,OPK2,N 3049.960,E 2300.030,EL104.530\n"
                           "BK,OPK2,BPT2,BC0.0000\n"
                           "SS,OPK2,FPR2,AR225.0000,HD100.000,CE0.000\n";

} // namespace

class TestTraverse : public QObject {
    Q_OBJECT
private slots:
    void traverse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("transit");
        QTest::addColumn<double>("angular"); // seconds
        QTest::addColumn<double>("linear");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("precision");
        QTest::addColumn<QString>("points"); // ID E N H; ...
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("warnings"); // their lines

        // w = +20" over five angles: -4" each. Compass: the 44.4 mm closure by length.
        QTest::newRow("square loop, compass")
            << kSquare << "" << false << 20.0 << 0.0444 << 400.050 << 9019.8
            << "A 1000 1000 50; B 999.9870 1100.0010 50; C 1100.0260 1099.9961 50; D 1100.0110 999.9971 50; "
               "S1 989.9870 1099.9997 50"
            << "" << "";
        QTest::newRow("square loop, transit")
            << kSquare << "" << true << 20.0 << 0.0444 << 400.050 << 9019.8
            << "B 999.9981 1100.0019 50; C 1100.0260 1099.9961 50; D 1100.0221 999.9981 50; "
               "S1 989.9981 1100.0017 50"
            << "" << "";
        QTest::newRow("square loop along a given route")
            << kSquare << "A,B,C,D,A" << false << 20.0 << 0.0444 << 400.050 << 9019.8
            << "B 999.9870 1100.0010 50; D 1100.0110 999.9971 50" << "" << "";
        QTest::newRow("both faces average right, across zero")
            << kSquareFaces << "" << false << 0.0 << 0.0500 << 400.050 << 8001.0
            << "B 999.9875 1100.0000 50; C 1100.0250 1100.0000 50; D 1100.0125 1000.0000 50" << "" << "";
        // Heights: +2, +3, -0.5 lead to 104.500; K2 is given at 104.530.
        QTest::newRow("connecting traverse")
            << kConnecting << "" << false << 0.0 << 0.0500 << 362.1321 << 7244.9
            << "K1 2000 3000 100; T1 2100.0117 3099.9844 102.0117; T2 2250.0241 3099.9678 105.0241; "
               "K2 2300.030 3049.960 104.530; P1 2020 3000 100; P2 2092.9416 3107.0564 102.0117"
            << "" << "";
        // The shot from K2 to R2 is 0.1 m long: the reduction's warning comes with the job.
        QTest::newRow("a check that misses warns")
            << QString(kConnecting).replace("HD100.000,CE0.000", "HD100.100,CE0.000") << "" << false << 0.0
            << 0.0500 << 362.1321 << 7244.9 << "K2 2300.030 3049.960 104.530" << "" << "21";
        // A local triangle from a set-up at 0,0 oriented by an azimuth alone; the long side
        // is measured 50 mm too long.
        QTest::newRow("local loop from 0,0 on an azimuth")
            << "OC,OPA,N 0,E 0,EL0\nBK,OPA,BS0.0000,BC0.0000\nTR,OPA,FPB,AR0.0000,HD100.000\n"
               "SS,OPA,FPC,AR45.0000,HD141.4714\nOC,OPB\nBK,OPB,BPA,BC0.0000\nTR,OPB,FPC,AR270.0000,HD100.000\n"
               "OC,OPC\nBK,OPC,BPB,BC0.0000\nTR,OPC,FPA,AR315.0000,HD141.4714\n"
            << "" << false << 0.0 << 0.0500 << 341.4714 << 6823.5
            << "A 0 0 0; B 0.0104 100.0104 0; C 100.0207 100.0207 0" << "" << "";
        QTest::newRow("open at its end")
            << kConnecting << "K1,T1,T2" << false << 0.0 << 0.0 << 0.0 << 0.0 << ""
            << "the last station 'T2' has no coordinates in the file: a traverse closes on a known station" << "";
        QTest::newRow("a station not set up")
            << kConnecting << "K1,T1,X,K2" << false << 0.0 << 0.0 << 0.0 << 0.0 << ""
            << "no set-up at 'T1' observes both 'K1' and 'X'" << "";
        QTest::newRow("no traverse in the file")
            << "OC,OPA,N 0,E 0\nSS,OPA,FPB,AR0,ZE90,SD5\n" << "" << false << 0.0 << 0.0 << 0.0 << 0.0 << ""
            << "no traverse found: no set-up observes the next set-up's station and is observed back from it "
               "(give the route)" << "";
    }
    void traverse() {
        QFETCH(QString, text);
        QFETCH(QString, route);
        QFETCH(bool, transit);
        QFETCH(QString, error);
        TRun r;
        try {
            r = run(text.toStdString(), TInstrumentFormat::Rw5, route, transit ? TTraverseRule::Transit : TTraverseRule::Compass);
        } catch (const ETraverse& e) {
            QCOMPARE(QString(e.what()), error);
            return;
        }
        QVERIFY2(error.isEmpty(), "no error");
        QFETCH(double, angular);
        QFETCH(double, linear);
        QFETCH(double, length);
        QFETCH(double, precision);
        QVERIFY(r.Result.AngularMisclosure);
        QCOMPARE(std::round(*r.Result.AngularMisclosure / kSecond * 10) / 10, angular);
        QCOMPARE(std::round(r.Result.LinearMisclosure * 1e4) / 1e4, linear);
        QCOMPARE(std::round(r.Result.TotalLength * 1e4) / 1e4, length);
        QVERIFY(std::abs(r.Result.Precision() - precision) < 0.5);
        QVERIFY(r.Job.Problems.empty());
        QStringList warned;
        for (const TLineMessage& m : r.Job.Warnings)
            warned << QString::number(m.Line);
        QTEST(warned.join(','), "warnings");
        QFETCH(QString, points);
        checkPoints(r.Job.Points, points);
    }

    // A closed loop in GSI-16 with un-oriented circles, both faces, forward and back
    // distances and noise (data/PROVENANCE.md), against an independent computation.
    void noisyLoop() {
        std::ifstream file(PB_SURVEY_DATA "/loop-traverse.gsi", std::ios::binary);
        std::stringstream bytes;
        bytes << file.rdbuf();
        const TRun r = run(bytes.str(), TInstrumentFormat::Gsi, "", TTraverseRule::Compass);
        QCOMPARE(r.Input.Stations, (std::vector<std::string>{"B11", "D1", "D2", "D3", "D4", "B11"}));
        QCOMPARE(std::round(*r.Result.AngularMisclosure / kSecond * 10) / 10, 15.8);
        QCOMPARE(std::round(r.Result.LinearMisclosure * 1e4) / 1e4, 0.0093);
        QCOMPARE(std::round(r.Result.TotalLength * 1e4) / 1e4, 689.5870);
        QVERIFY(r.Job.Problems.empty());
        checkPoints(r.Job.Points,
                    "B11 201350.0000 448720.0000 35.1200; D1 201468.2130 448781.5602 37.8838; "
                    "D2 201577.9012 448702.3457 41.2071; D3 201541.1204 448566.7956 38.0152; "
                    "D4 201402.6593 448590.1314 34.4731; 101 201362.1502 448713.9201 35.5737; "
                    "102 201339.6508 448724.9717 35.3688; 103 201355.6130 448743.3805 33.8296; "
                    "104 201465.0016 448771.8929 38.0808; 105 201446.5781 448761.4035 36.5702; "
                    "106 201473.1730 448796.9602 38.0547; 107 201590.8290 448699.0605 40.0610; "
                    "108 201565.6169 448671.4659 40.0177; 109 201598.2140 448682.6882 39.8964; "
                    "110 201523.1938 448547.4659 38.1113; 111 201550.1631 448525.6100 37.6024; "
                    "112 201508.5616 448576.1171 37.2484; 113 201396.2924 448550.2561 35.1625; "
                    "114 201395.8886 448581.8375 34.5093; 115 201389.0519 448590.7423 34.4405");
        QCOMPARE(r.Job.Points.size(), size_t(21)); // each station once, B12 and 15 side shots
    }
};

QTEST_APPLESS_MAIN(TestTraverse)
#include "tst_traverse.moc"
