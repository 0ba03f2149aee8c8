// Coordinate geometry and the area sheet, on cases worked by hand.
#include "model/NCADItem.h"
#include "survey/AreaSheet.h"
#include "survey/Cogo.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(TAreaState)

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

// "E,N" or "E,N,H" in metres.
TGridPoint grid(const QString& text) {
    const QStringList f = text.split(',');
    return TGridPoint{f[0].toDouble(), f[1].toDouble(), f.size() > 2 ? f[2].toDouble() : 0.0};
}

QString text(const std::vector<TGridPoint>& points) {
    QStringList out;
    for (const TGridPoint& p : points)
        out << QString("%1,%2").arg(p.E, 0, 'f', 4).arg(p.N, 0, 'f', 4);
    return out.join(' ');
}

} // namespace

class TestCogo : public QObject {
    Q_OBJECT
private slots:
    void inverse_data() {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected"); // distance azimuth dE dN dH slope

        QTest::newRow("3-4-5 north-east, 12 up")
            << "100,200,10" << "103,204,22" << "5.0000 36°52'11.6\" 3.0000 4.0000 12.0000 13.0000";
        QTest::newRow("due south") << "10,10" << "10,0" << "10.0000 180°00'00.0\" 0.0000 -10.0000 0.0000 10.0000";
        QTest::newRow("due west at survey coordinates")
            << "201350.125,448720.5" << "201250.125,448720.5" << "100.0000 270°00'00.0\" -100.0000 0.0000 0.0000 100.0000";
        // 0.04" west of north: the seconds round up into a whole turn.
        QTest::newRow("just short of north rounds to 0°")
            << "0,0" << "-0.0001939,1000" << "1000.0000 0°00'00.0\" -0.0002 1000.0000 0.0000 1000.0000";
        QTest::newRow("one place") << "5,5,1" << "5,5,4" << "0.0000 0°00'00.0\" 0.0000 0.0000 3.0000 3.0000";
    }
    void inverse() {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const TInverse r = Inverse(grid(from), grid(to));
        const QString got = QString("%1 %2 %3 %4 %5 %6")
                                .arg(r.Distance, 0, 'f', 4)
                                .arg(QString::fromStdString(FormatDms(r.Azimuth)))
                                .arg(r.DE, 0, 'f', 4)
                                .arg(r.DN, 0, 'f', 4)
                                .arg(r.DH, 0, 'f', 4)
                                .arg(r.Slope, 0, 'f', 4);
        QTEST(got, "expected");
    }

    void points_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("a");
        QTest::addColumn<double>("first"); // azimuth (degrees) or distance from a
        QTest::addColumn<QString>("b");
        QTest::addColumn<double>("second"); // the same from b; the distance for polar
        QTest::addColumn<QString>("expected");

        QTest::newRow("polar, 30° for 20 m") << "polar" << "100,200" << 30.0 << "" << 20.0 << "110.0000,217.3205";
        QTest::newRow("bearings meet") << "bearings" << "0,0" << 45.0 << "100,0" << 315.0 << "50.0000,50.0000";
        QTest::newRow("parallel bearings") << "bearings" << "0,0" << 0.0 << "100,0" << 0.0 << "";
        QTest::newRow("bearings meeting behind a station")
            << "bearings" << "0,0" << 45.0 << "100,0" << 135.0 << "";
        // 3-4-5 on a base of 5 due east: the answer right of a-b (south) first.
        QTest::newRow("two distances, two answers")
            << "distances" << "1000,2000" << 4.0 << "1005,2000" << 3.0 << "1003.2000,1997.6000 1003.2000,2002.4000";
        QTest::newRow("two distances touching") << "distances" << "0,0" << 4.0 << "10,0" << 6.0 << "4.0000,0.0000";
        QTest::newRow("circles apart") << "distances" << "0,0" << 4.0 << "10,0" << 5.0 << "";
        QTest::newRow("one circle inside the other") << "distances" << "0,0" << 10.0 << "1,0" << 2.0 << "";
        QTest::newRow("distances from one place") << "distances" << "0,0" << 4.0 << "0,0" << 4.0 << "";
    }
    void points() {
        QFETCH(QString, kind);
        QFETCH(QString, a);
        QFETCH(double, first);
        QFETCH(QString, b);
        QFETCH(double, second);
        std::vector<TGridPoint> got;
        if (kind == "polar") {
            got.push_back(PolarPoint(grid(a), first * kDegree, second));
        } else if (kind == "bearings") {
            if (const auto p = IntersectBearings(grid(a), first * kDegree, grid(b), second * kDegree))
                got.push_back(*p);
        } else {
            got = IntersectDistances(grid(a), first, grid(b), second);
        }
        QTEST(text(got), "expected");
    }

    void areaSheet_data() {
        QTest::addColumn<QString>("points"); // id,x,y ...
        QTest::addColumn<bool>("marked");
        QTest::addColumn<TAreaState>("state");
        QTest::addColumn<QString>("products"); // E * (N next - N before), per corner
        QTest::addColumn<double>("twice");
        QTest::addColumn<double>("pyeong");

        const auto valid = TAreaState::Valid;
        // 40 x 30 anticlockwise: 2A = +2400, 1200 m2 = 363 평.
        QTest::newRow("lot at survey coordinates, first corner shot again")
            << "1,201300,448700 2,201340,448700 3,201340,448730 4,201300,448730 1,201300,448700" << false << valid
            << "-6039000.000 6040200.000 6040200.000 -6039000.000" << 2400.0 << 363.0;
        QTest::newRow("clockwise triangle, corner shot twice, closed by the mark")
            << "a,0,0 b,0,10 b,0,10 c,10,0" << true << valid << "0.000 0.000 -100.000" << -100.0 << 15.125;
        QTest::newRow("bow-tie: corners, no area")
            << "1,0,0 2,10,10 3,10,0 4,0,10 1,0,0" << false << TAreaState::SelfCrossing
            << "0.000 0.000 0.000 0.000" << 0.0 << 0.0;
        QTest::newRow("open line: no sheet") << "1,0,0 2,3,4 3,6,0" << false << TAreaState::Open << "" << 0.0 << 0.0;
    }
    void areaSheet() {
        QFETCH(QString, points);
        QFETCH(bool, marked);
        TNCADItem group;
        for (const QString& p : points.split(' ')) {
            const QStringList f = p.split(',');
            group.AddPoint(f[1].toDouble(), f[2].toDouble(), 0.0, f[0].toStdString());
        }
        const TAreaSheet sheet = AreaSheetOf(group, marked);
        QStringList products;
        double northSum = 0.0;
        for (const TAreaSheetRow& row : sheet.Rows) {
            products << QString::number(row.EastProduct, 'f', 3);
            northSum += row.NorthProduct;
        }
        QTEST(sheet.State, "state");
        QTEST(products.join(' '), "products");
        QTEST(sheet.TwiceArea, "twice");
        QCOMPARE(sheet.Area, std::abs(sheet.TwiceArea) / 2);
        QTEST(sheet.Pyeong, "pyeong");
        if (sheet.State == TAreaState::Valid)
            QCOMPARE(northSum, -sheet.TwiceArea); // the same area by the other products
    }
};

QTEST_APPLESS_MAIN(TestCogo)
#include "tst_cogo.moc"
