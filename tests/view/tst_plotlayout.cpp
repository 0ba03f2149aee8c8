#include "view/PlotLayout.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(PlotSheet)
Q_DECLARE_METATYPE(WorldBounds)

namespace {

PlotSheet sheet(PaperSize paper, bool landscape) {
    PlotSheet s;
    s.Paper = paper;
    s.Landscape = landscape;
    return s;
}

WorldBounds bounds(double minX, double minY, double maxX, double maxY) {
    WorldBounds b;
    b.Include(minX, minY);
    b.Include(maxX, maxY);
    return b;
}

// The sample job's extents: 37.2 m by 35.4 m.
const WorldBounds kDemo = bounds(201344.0, 448713.4, 201381.2, 448748.8);

} // namespace

// Point areas, mm from the sheet's corner: A4 portrait 13..185 x 15..252 (172 x 237),
// A4 landscape 13..272 x 15..165 (259 x 150), A3 landscape 13..395 x 15..252 (382 x 237).
class TestPlotLayout : public QObject {
    Q_OBJECT
private slots:
    void worldToPaperAndBack_data() {
        QTest::addColumn<PlotSheet>("sheet");
        QTest::addColumn<int>("scale");
        QTest::addColumn<WorldBounds>("job");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("paperX");
        QTest::addColumn<double>("paperY");
        const WorldBounds box = bounds(0, 0, 30, 20);
        const PlotSheet a4 = sheet(PaperSize::A4, false);
        // 1:500 is 2 mm a metre; the job's centre (15, 10) sits at the area's centre (99, 133.5).
        QTest::newRow("south-west corner") << a4 << 500 << box << 0.0 << 0.0 << 69.0 << 153.5;
        QTest::newRow("north-east corner is up and right")
            << a4 << 500 << box << 30.0 << 20.0 << 129.0 << 113.5;
        QTest::newRow("A3 landscape 1:1000, survey coordinates")
            << sheet(PaperSize::A3, true) << 1000 << kDemo << 201349.9947 << 448719.9895 << 191.3947
            << 144.6105;
        QTest::newRow("A4 landscape 1:250, one point")
            << sheet(PaperSize::A4, true) << 250 << bounds(5, 5, 5, 5) << 6.0 << 4.0 << 146.5
            << 94.0;
    }
    void worldToPaperAndBack() {
        QFETCH(PlotSheet, sheet);
        QFETCH(int, scale);
        QFETCH(WorldBounds, job);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, paperX);
        QFETCH(double, paperY);
        const PlotLayout layout(sheet, scale, job);
        const PaperPoint p = layout.ToPaper(x, y);
        QVERIFY2(std::abs(p.X - paperX) < 1e-6, qPrintable(QString::number(p.X)));
        QVERIFY2(std::abs(p.Y - paperY) < 1e-6, qPrintable(QString::number(p.Y)));
        double wx = 0, wy = 0;
        layout.ToWorld({paperX, paperY}, wx, wy);
        QVERIFY(std::abs(wx - x) < 1e-6);
        QVERIFY(std::abs(wy - y) < 1e-6);
    }

    void scaleChoice_data() {
        QTest::addColumn<PlotSheet>("sheet");
        QTest::addColumn<WorldBounds>("job");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<double>("smallest"); // N of the smallest 1:N that fits
        const PlotSheet a4 = sheet(PaperSize::A4, false);
        const PlotSheet a3 = sheet(PaperSize::A3, true);
        QTest::newRow("sample job, A4") << a4 << kDemo << 250 << 37200.0 / 172;
        QTest::newRow("sample job, A3 landscape") << a3 << kDemo << 200 << 35400.0 / 237;
        // 86 m is exactly the 172 mm of the area at 1:500; half a millimetre more is not.
        QTest::newRow("exactly the area") << a4 << bounds(0, 0, 86, 10) << 500 << 500.0;
        QTest::newRow("just over the area") << a4 << bounds(0, 0, 86.0005, 10) << 600 << 500.0029;
        QTest::newRow("one point") << a4 << bounds(7, 7, 7, 7) << 100 << 0.0;
        QTest::newRow("no points") << a4 << WorldBounds{} << 100 << 0.0;
        QTest::newRow("too big for any") << a3 << bounds(0, 0, 5000, 1000) << 0 << 5000000.0 / 382;
    }
    void scaleChoice() {
        QFETCH(PlotSheet, sheet);
        QFETCH(WorldBounds, job);
        QFETCH(int, chosen);
        QFETCH(double, smallest);
        QCOMPARE(ChooseScale(sheet, job), chosen);
        QVERIFY(std::abs(SmallestFittingScale(sheet, job) - smallest) < 1e-3);
        if (chosen > 0) {
            QVERIFY(PlotLayout(sheet, chosen, job).Fits());
            const int* larger = std::find(std::begin(kPlotScales), std::end(kPlotScales), chosen);
            if (larger != std::begin(kPlotScales))
                QVERIFY(!PlotLayout(sheet, *(larger - 1), job).Fits());
        }
    }

    void scaleBar_data() {
        QTest::addColumn<PlotSheet>("sheet");
        QTest::addColumn<int>("scale");
        QTest::addColumn<double>("metres");
        const PlotSheet a4 = sheet(PaperSize::A4, false); // 52 mm of bar at most
        const PlotSheet a3 = sheet(PaperSize::A3, true);  // 100 mm at most
        QTest::newRow("A4 1:100") << a4 << 100 << 5.0;
        QTest::newRow("A4 1:500") << a4 << 500 << 20.0;
        QTest::newRow("A4 1:1200") << a4 << 1200 << 50.0;
        QTest::newRow("A3 1:500, exactly 100 mm") << a3 << 500 << 50.0;
        QTest::newRow("A3 1:3000") << a3 << 3000 << 200.0;
    }
    void scaleBar() {
        QFETCH(PlotSheet, sheet);
        QFETCH(int, scale);
        QFETCH(double, metres);
        QCOMPARE(PlotLayout(sheet, scale, WorldBounds{}).ScaleBarLength(), metres);
    }
};

QTEST_APPLESS_MAIN(TestPlotLayout)
#include "tst_plotlayout.moc"
