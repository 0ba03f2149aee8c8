#include "model/Measure.h"

#include <QtTest>

Q_DECLARE_METATYPE(TAreaState)

namespace {

// "x,y x,y ..." in metres.
std::vector<TPlanPoint> path(const QString& text) {
    std::vector<TPlanPoint> points;
    for (const QString& pair : text.split(' ', Qt::SkipEmptyParts)) {
        const QStringList xy = pair.split(',');
        points.push_back({xy[0].toDouble(), xy[1].toDouble()});
    }
    return points;
}

} // namespace

class TestMeasure : public QObject {
    Q_OBJECT
private slots:
    void measure_data() {
        QTest::addColumn<QString>("points");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<double>("length");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<TAreaState>("state");
        QTest::addColumn<double>("area");
        QTest::addColumn<double>("perimeter");

        const auto valid = TAreaState::Valid, open = TAreaState::Open;
        const auto crossing = TAreaState::SelfCrossing, degenerate = TAreaState::Degenerate;
        QTest::newRow("40 x 30 boundary, first point shot again")
            << "0,0 40,0 40,30 0,30 0,0" << false << 140.0 << true << valid << 1200.0 << 140.0;
        QTest::newRow("clockwise at survey coordinates, closing side implied by the mark")
            << "201300,448700 201300,448730 201340,448730 201340,448700" << true << 100.0 << true
            << valid << 1200.0 << 140.0;
        QTest::newRow("last point 1 mm from the first closes")
            << "0,0 40,0 40,30 0,30 0,0.001" << false << 139.999 << true << valid << 1200.0
            << 140.0;
        QTest::newRow("last point 1.1 mm from the first stays open")
            << "0,0 40,0 40,30 0,30 0,0.0011" << false << 139.9989 << false << open << 0.0 << 0.0;
        QTest::newRow("corner shot twice in a row")
            << "0,0 40,0 40,0 40,30 0,30 0,0" << false << 140.0 << true << valid << 1200.0 << 140.0;
        QTest::newRow("open line: length, no area")
            << "0,0 3,4 6,8" << false << 10.0 << false << open << 0.0 << 0.0;
        QTest::newRow("bow-tie") << "0,0 10,10 10,0 0,10 0,0" << false << 20 + 20 * M_SQRT2
                                 << true << crossing << 0.0 << 20 + 20 * M_SQRT2;
        QTest::newRow("side folding back along the one before")
            << "0,0 10,0 5,0 5,5" << true << 10.0 + 5 + 5 << true << crossing << 0.0
            << 20 + 5 * M_SQRT2;
        QTest::newRow("two squares touching at a corner")
            << "0,0 10,0 10,10 20,10 20,20 10,20 10,10 0,10 0,0" << false << 80.0 << true
            << crossing << 0.0 << 80.0;
        QTest::newRow("collinear, back to the start")
            << "0,0 10,0 20,0 0,0" << false << 40.0 << true << degenerate << 0.0 << 40.0;
        QTest::newRow("one point") << "5,5" << false << 0.0 << false << open << 0.0 << 0.0;
        QTest::newRow("one point, marked") << "5,5" << true << 0.0 << true << degenerate << 0.0 << 0.0;
        QTest::newRow("two points, marked")
            << "0,0 10,0" << true << 10.0 << true << degenerate << 0.0 << 20.0;
        QTest::newRow("a point and its repeat do not close by themselves")
            << "7,7 7,7" << false << 0.0 << false << open << 0.0 << 0.0;
    }

    void measure() {
        QFETCH(QString, points);
        QFETCH(bool, marked);
        QFETCH(double, length);
        QFETCH(bool, closed);
        QFETCH(TAreaState, state);
        QFETCH(double, area);
        QFETCH(double, perimeter);
        const std::vector<TPlanPoint> corners = path(points);
        const TGroupMeasure m = MeasurePath(corners, marked);
        QCOMPARE(m.Points, int(corners.size()));
        QCOMPARE(m.Closed, closed);
        QCOMPARE(m.ClosesItself, closed && !marked);
        QCOMPARE(m.State, state);
        // Survey coordinates carry about 1e-10 m of binary rounding into the sums.
        QVERIFY2(qAbs(m.Length - length) < 1e-9, qPrintable(QString::number(m.Length, 'f', 10)));
        QVERIFY2(qAbs(m.Area - area) < 1e-6, qPrintable(QString::number(m.Area, 'f', 10)));
        QVERIFY2(qAbs(m.Perimeter - perimeter) < 1e-9,
                 qPrintable(QString::number(m.Perimeter, 'f', 10)));
        // 1 평 is 400/121 ㎡: the boundary's 1200 ㎡ are 363 평.
        if (area == 1200.0)
            QCOMPARE(qRound64(SquareMetresToPyeong(m.Area) * 1000), 363000);
    }
};

QTEST_GUILESS_MAIN(TestMeasure)
#include "tst_measure.moc"
