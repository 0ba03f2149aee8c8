// Shots reduced to coordinates, checked against values worked out by hand, and the rules
// for placing and orienting set-ups.
#include "Fixtures.h"

#include "formats/Angles.h"

#include <QtTest>

namespace {

// The reduction of one shot from a station at E 100, N 200, H 10, circle oriented.
TSurveyPoint reduceShot(const TSurveyRecord& shot, double ih) {
    TReduction reduction;
    TSurveyRecord station;
    station.Reset(TRecordKind::Station, 1);
    station.Id = "S";
    station.HasCoordinates = true;
    station.E = 100.0;
    station.N = 200.0;
    station.H = 10.0;
    station.InstrumentHeight = ih;
    reduction.Record(station);
    reduction.Record(shot);
    reduction.Finish();
    return reduction.Points().back();
}

} // namespace

class TestReduction : public QObject {
    Q_OBJECT
private slots:
    void shots_data() {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("hz");
        QTest::addColumn<QString>("zenith");
        QTest::addColumn<bool>("slope");
        QTest::addColumn<double>("distance");
        QTest::addColumn<double>("ih");
        QTest::addColumn<double>("th");
        QTest::addColumn<double>("e");
        QTest::addColumn<double>("n");
        QTest::addColumn<double>("h");
        const int deg = int(TAngleUnit::Degree), gon = int(TAngleUnit::Gon), dms = int(TAngleUnit::DegreeDms);
        QTest::newRow("due north, level") << deg << "0" << "90" << true << 10.0 << 1.5 << 1.5 << 100.0 << 210.0 << 10.0;
        QTest::newRow("due east in gon") << gon << "100" << "100" << true << 10.0 << 1.5 << 1.5 << 110.0 << 200.0 << 10.0;
        QTest::newRow("up a slope") << deg << "0" << "60" << true << 10.0 << 1.5 << 1.5 << 100.0 << 208.660254 << 15.0;
        QTest::newRow("down a slope, no heights")
            << deg << "180" << "120" << true << 10.0 << 0.0 << 0.0 << 100.0 << 191.339746 << 5.0;
        QTest::newRow("heights differ") << deg << "270" << "90" << true << 10.0 << 1.6 << 2.0 << 90.0 << 200.0 << 9.6;
        QTest::newRow("horizontal distance up") << gon << "300" << "50" << false << 10.0 << 0.0 << 0.0 << 90.0 << 200.0 << 20.0;
        QTest::newRow("face two") << deg << "270" << "270" << true << 10.0 << 0.0 << 0.0 << 110.0 << 200.0 << 10.0;
        QTest::newRow("north-east in ddd.mmss")
            << dms << "45.0000" << "90.0000" << true << 10.0 << 0.0 << 0.0 << 107.071068 << 207.071068 << 10.0;
    }
    void shots() {
        QFETCH(int, unit);
        QFETCH(QString, hz);
        QFETCH(QString, zenith);
        QFETCH(bool, slope);
        QFETCH(double, distance);
        QFETCH(double, ih);
        QFETCH(double, th);
        TSurveyRecord shot;
        shot.Reset(TRecordKind::Shot, 2);
        shot.Id = "P";
        double a = 0.0;
        QVERIFY(ParseAngle(hz.toStdString(), TAngleUnit(unit), a));
        shot.Horizontal = a;
        QVERIFY(ParseAngle(zenith.toStdString(), TAngleUnit(unit), a));
        shot.Zenith = a;
        shot.DistanceKind = slope ? TDistanceKind::Slope : TDistanceKind::Horizontal;
        shot.Distance = distance;
        shot.TargetHeight = th;
        const TSurveyPoint p = reduceShot(shot, ih);
        QVERIFY(p.Computed);
        const QString got = QString("%1 %2 %3").arg(p.E, 0, 'f', 6).arg(p.N, 0, 'f', 6).arg(p.H, 0, 'f', 6);
        QFETCH(double, e);
        QFETCH(double, n);
        QFETCH(double, h);
        QCOMPARE(got, QString("%1 %2 %3").arg(e, 0, 'f', 6).arg(n, 0, 'f', 6).arg(h, 0, 'f', 6));
    }

    // Set-ups written as GTS-7 records, the shortest of the formats to write by hand.
    void setups_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("problems");
        QTest::addColumn<QString>("warnings");
        QTest::addColumn<QString>("notes");
        const QString asAzimuths = "station '1': no backsight and no shot to a known point: circle readings taken as azimuths";
        QTest::newRow("backsight to a known point")
            << "PT 2\nXYZ 100,300,0\nSTN 1,0\nXYZ 100,200,10\nBKB 2,,90\nSS 3,0\nSD 180,90,10\n"
            << "2 100.000 300.000 0.000 ; 1 100.000 200.000 10.000 STN; 3 110.000 200.000 10.000 " << "" << ""
            << "3: station '1': orientation 270d00'00\" from the backsight to '2'";
        QTest::newRow("station from an earlier point")
            << "PT 1,CP\nXYZ 100,200,10\nSTN 1,1.5\nSS 3,1.5\nSD 0,90,10\n"
            << "1 100.000 200.000 10.000 CP; 3 100.000 210.000 10.000 " << "" << "" << "3: " + asAzimuths;
        QTest::newRow("station nowhere: local origin")
            << "STN 9,0\nSS 3,0\nSD 90,90,5\n" << "3 5.000 0.000 0.000 " << "" << ""
            << "1: station '9': no station coordinates: local origin 0,0,0";
        QTest::newRow("backsight to an unknown point")
            << "STN 1,0\nXYZ 100,200,10\nBKB 8,,0\nSS 3,0\nSD 90,90,10\n"
            << "1 100.000 200.000 10.000 STN; 3 110.000 200.000 10.000 "
            << "3: backsight to unknown point '8': circle readings taken as azimuths" << "" << "";
        // The circle reads 90 towards 2, which lies due north: turned by -90 (270).
        QTest::newRow("unknown backsight, a known point shot")
            << "PT 2\nXYZ 100,300,0\nSTN 1,0\nXYZ 100,200,10\nBKB 8,,0\nSS 2,0\nHV 90,90\nSS 3,0\nSD 180,90,10\n"
            << "2 100.000 300.000 0.000 ; 1 100.000 200.000 10.000 STN; 3 110.000 200.000 10.000 " << "" << ""
            << "3: station '1': orientation 270d00'00\" from the mean of 1 shot to known points; "
               "6: check on 2: dHz +0\"";
        QTest::newRow("shot before any station")
            << "SS 3,0\nSD 0,90,10\nSTN 1,0\nXYZ 100,200,10\nSS 4,0\nSD 0,90,10\n"
            << "1 100.000 200.000 10.000 STN; 4 100.000 210.000 10.000 "
            << "1: observation before any station set-up" << "" << "3: " + asAzimuths;
        QTest::newRow("no station at all: local origin")
            << "SS 3,0\nSD 0,90,10\nPT 5\nXYZ 2,1,3\n" << "3 0.000 10.000 0.000 ; 5 2.000 1.000 3.000 " << "" << ""
            << "1: no station set-up: observations reduced from a local origin 0,0,0";
        QTest::newRow("a given point is checked, not made again")
            << "PT 5\nXYZ 100,210,10\nSTN 1,0\nXYZ 100,200,10\nSS 5,0\nSD 0,90,10.002\n"
            << "5 100.000 210.000 10.000 ; 1 100.000 200.000 10.000 STN" << "" << ""
            << "3: station '1': orientation 0d00'00\" from the mean of 1 shot to known points; "
               "5: check on 5: dHD +0.002 m, dH +0.000 m, dHz +0\"";
        QTest::newRow("a check that misses warns")
            << "PT 5\nXYZ 100,210,10\nSTN 1,0\nXYZ 100,200,10\nBKB 5,0,0\nSS 5,0\nSD 0,90,10.1\nSS 6,0\nSD 0,88,10\n"
            << "5 100.000 210.000 10.000 ; 1 100.000 200.000 10.000 STN; 6 100.000 209.994 10.349 " << ""
            << "6: check on 5: dHD +0.100 m, dH +0.000 m, dHz +0\": misses it by 0.100 m in plan (more than 0.05 m)"
            << "3: station '1': orientation 0d00'00\" from the backsight azimuth";
        QTest::newRow("no number is too big to be left out")
            << "STN 9,1e308\nSS 3,0\nHD 90,10,1e308\n" << "" << "2: coordinates out of range" << ""
            << "1: station '9': no station coordinates: local origin 0,0,0";
        QTest::newRow("a negative distance is left out")
            << "STN 1,0\nXYZ 100,200,10\nSS 3,0\nSD 0,90,-10\nSS 4,0\nHD 0,-1,0\n" << "1 100.000 200.000 10.000 STN"
            << "3: negative distance -10.000; 5: negative distance -1.000" << "" << "";
        QTest::newRow("target height carries on")
            << "STN 1,1.5\nXYZ 100,200,10\nSS 3,2.0\nSD 0,90,10\nSS 4,\nSD 90,90,10\n"
            << "1 100.000 200.000 10.000 STN; 3 100.000 210.000 9.500 ; 4 110.000 200.000 9.500 " << "" << ""
            << "1: " + asAzimuths;
    }
    void setups() {
        QFETCH(QString, text);
        const TInstrumentResult r = ReadInstrumentData(text.toStdString(), {TInstrumentFormat::Gts7, {}});
        QTEST(pointsText(r), "points");
        QTEST(messagesText(r.Problems), "problems");
        QTEST(messagesText(r.Warnings), "warnings");
        QTEST(messagesText(r.Notes), "notes");
    }
};

QTEST_GUILESS_MAIN(TestReduction)
#include "tst_reduction.moc"
