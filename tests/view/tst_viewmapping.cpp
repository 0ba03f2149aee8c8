#include "view/ViewMapping.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

// The mapping a fresh view has: world origin at the top-left pixel, one pixel per unit.
ViewMapping initial() { return ViewMapping{}; }

void fitPoints(ViewMapping& m, std::initializer_list<std::pair<double, double>> points, int w,
               int h) {
    m.ResetExtents();
    for (auto [x, y] : points)
        m.IncludeInExtents(x, y);
    m.CloseExtents();
    m.FitView(w, h);
}

} // namespace

class TestViewMapping : public QObject {
    Q_OBJECT
private slots:
    void worldToScreenAndBack() {
        ViewMapping m;
        m.Scale = 2;
        m.CenterX = 100;
        m.CenterY = 50;
        m.HalfWidth = 300;
        m.HalfHeight = 200;
        int sx = 0, sy = 0;
        m.WorldToScreen(sx, sy, 110, 40);
        QCOMPARE(sx, 320);
        QCOMPARE(sy, 220);
        double x = 0, y = 0;
        m.ScreenToWorld(320, 220, x, y);
        QCOMPARE(x, 110.0);
        QCOMPARE(y, 40.0);
        // Y grows upward in the world and downward on the screen.
        m.WorldToScreen(sx, sy, 100, 60);
        QCOMPARE(sx, 300);
        QCOMPARE(sy, 180);
    }

    void roundsHalvesToEven_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("pixel");
        QTest::newRow("0.5") << 0.5 << 0;
        QTest::newRow("1.5") << 1.5 << 2;
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("-1.5") << -1.5 << -2;
        QTest::newRow("2.51") << 2.51 << 3;
    }
    void roundsHalvesToEven() {
        QFETCH(double, x);
        QFETCH(int, pixel);
        ViewMapping m = initial();
        int sx = 0, sy = 0;
        m.WorldToScreen(sx, sy, x, -x);
        QCOMPARE(sx, pixel);
        QCOMPARE(sy, pixel);
        // The drawing code's unclamped positions round the same way.
        QCOMPARE(m.PixelX(x), double(pixel));
        QCOMPARE(m.PixelY(-x), double(pixel));
    }

    void zeroScaleIsRepairedBeforeDividing() {
        ViewMapping m;
        m.Scale = 0;
        m.CenterX = 5;
        double x = 0, y = 0;
        m.ScreenToWorld(3, 4, x, y);
        QCOMPARE(m.Scale, 1.0);
        QCOMPARE(x, 8.0);
        QCOMPARE(y, -4.0);
    }

    void fitOfARectangleOfPoints() {
        ViewMapping m = initial();
        m.ResetExtents();
        for (int x = 0; x <= 100; x += 5)
            for (int y = 0; y <= 50; y += 5)
                m.IncludeInExtents(x, y);
        m.CloseExtents();
        m.FitView(716, 532);
        QCOMPARE(m.MinX, -10.0);
        QCOMPARE(m.MaxX, 110.0);
        QCOMPARE(m.MinY, -5.0);
        QCOMPARE(m.MaxY, 55.0);
        QCOMPARE(m.CenterX, 50.0);
        QCOMPARE(m.CenterY, 25.0);
        QCOMPARE(m.HalfWidth, 358);
        QCOMPARE(m.HalfHeight, 266);
        QCOMPARE(m.Scale, 716.0 / 120.0);
        // The data's corners land inside the control, a margin away from its edges.
        int sx = 0, sy = 0;
        m.WorldToScreen(sx, sy, 0, 0);
        QCOMPARE(sx, 60);
        m.WorldToScreen(sx, sy, 100, 50);
        QCOMPARE(sx, 656);
        QVERIFY(sy > 0 && sy < 266);
    }

    void fitOfOnePoint() {
        ViewMapping m = initial();
        fitPoints(m, {{1234.5, -77.25}}, 716, 532);
        QCOMPARE(m.Scale, 532.0);
        QCOMPARE(m.CenterX, 1234.5);
        QCOMPARE(m.CenterY, -77.25);
        int sx = 0, sy = 0;
        m.WorldToScreen(sx, sy, 1234.5, -77.25);
        QCOMPARE(sx, 358);
        QCOMPARE(sy, 266);
    }

    void fitOfPointsOnOneLineUsesThePixelSizeForTheFlatAxis() {
        ViewMapping m = initial();
        fitPoints(m, {{0, 10}, {100, 10}}, 716, 532);
        // Y span 0 gives sy = 532; X gives 716 / 120; the smaller wins.
        QCOMPARE(m.Scale, 716.0 / 120.0);
        fitPoints(m, {{0, 0}, {0, 1000}}, 716, 532);
        QCOMPARE(m.Scale, 532.0 / 1200.0);
    }

    void fitOfNothing() {
        ViewMapping m = initial();
        fitPoints(m, {}, 716, 532);
        QCOMPARE(m.MinX, -1.2e8);
        QCOMPARE(m.MaxX, 1.2e8);
        QCOMPARE(m.MinY, -1.2e8);
        QCOMPARE(m.MaxY, 1.2e8);
        QCOMPARE(m.CenterX, 0.0);
        QCOMPARE(m.CenterY, 0.0);
        QCOMPARE(m.Scale, 532.0 / 2.4e8);
    }

    void fitAfterAFitOfNothingIsStillExact() {
        // The fit button on an empty job leaves a tiny Scale; the next fit must still frame
        // the data exactly (extents are gathered in world units, not old pixels).
        ViewMapping m = initial();
        fitPoints(m, {}, 716, 532);
        fitPoints(m, {{201349.993, 448719.986}, {201449.4, 448805.0977}}, 716, 532);
        QCOMPARE(m.CenterX, (201349.993 + 201449.4) / 2);
        QCOMPARE(m.CenterY, (448719.986 + 448805.0977) / 2);
        QVERIFY(std::abs(m.MinX - (201349.993 - (201449.4 - 201349.993) / 10)) < 1e-6);
        QVERIFY(std::abs(m.Scale - 532 / ((448805.0977 - 448719.986) * 1.2)) < 1e-9);
    }

    void nonFiniteCoordinatesDoNotSpoilExtents() {
        ViewMapping m = initial();
        const double inf = std::numeric_limits<double>::infinity();
        fitPoints(m, {{0, 0}, {inf, 3}, {std::nan(""), 1}, {100, 50}}, 716, 532);
        QCOMPARE(m.MinX, -10.0);
        QCOMPARE(m.MaxX, 110.0);
    }

    void zoomIsCappedAndKeepsTheCentre() {
        ViewMapping m;
        m.Scale = 60000;
        m.CenterX = 7;
        QVERIFY(m.ZoomInScale());
        QCOMPARE(m.Scale, 90000.0);
        QVERIFY(!m.ZoomInScale());
        QCOMPARE(m.Scale, 90000.0);
        m.Scale = 1e-300;
        m.ZoomOutScale(); // no lower limit
        QVERIFY(m.Scale < 1e-300);
        QCOMPARE(m.CenterX, 7.0);
    }

    void shiftDirections() {
        ViewMapping m;
        m.Shift(0, 2);
        QCOMPARE(m.CenterX, -2.0);
        m.Shift(1, 5);
        QCOMPARE(m.CenterX, 3.0);
        m.Shift(2, 4);
        QCOMPARE(m.CenterY, 4.0);
        m.Shift(3, 1);
        QCOMPARE(m.CenterY, 3.0);
        m.Shift(4, 100);
        m.Shift(-1, 100);
        QCOMPARE(m.CenterX, 3.0);
        QCOMPARE(m.CenterY, 3.0);
    }

    void scrollStep_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("step");
        QTest::newRow("40: 2.5 rounds to even 2") << 40.0 << 2.0;
        QTest::newRow("1: 100 units") << 1.0 << 100.0;
        QTest::newRow("30: 3.33 rounds to 3") << 30.0 << 3.0;
        QTest::newRow("200: would round to 0, takes 100 px") << 200.0 << 0.5;
        QTest::newRow("1000: 100 px") << 1000.0 << 0.1;
    }
    void scrollStep() {
        QFETCH(double, scale);
        QFETCH(double, step);
        ViewMapping m;
        m.Scale = scale;
        QCOMPARE(m.ScrollStep(), step);
    }

    void markSizes_data() {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("radius");
        QTest::addColumn<int>("text");
        QTest::newRow("10") << 10.0 << 12 << 1 << 6;
        QTest::newRow("25: radius 2.5 to even") << 25.0 << 30 << 2 << 15;
        QTest::newRow("0.8: no text height") << 0.8 << 1 << 0 << 0;
        QTest::newRow("5: radius 0.5 to even") << 5.0 << 6 << 0 << 3;
    }
    void markSizes() {
        QFETCH(double, scale);
        const MarkSizes s = MarkSizesFor(scale);
        QTEST(s.offset, "offset");
        QTEST(s.radius, "radius");
        QTEST(s.textHeight, "text");
    }

    void farPointsClampInsteadOfWrapping() {
        ViewMapping m;
        m.Scale = 90000;
        int sx = 0, sy = 0;
        m.WorldToScreen(sx, sy, 1e9, -1e9);
        QCOMPARE(sx, ViewMapping::kPixelLimit);
        QCOMPARE(sy, ViewMapping::kPixelLimit);
        m.WorldToScreen(sx, sy, -1e300, 1e300);
        QCOMPARE(sx, -ViewMapping::kPixelLimit);
        QCOMPARE(sy, -ViewMapping::kPixelLimit);
        m.WorldToScreen(sx, sy, std::nan(""), 0);
        QCOMPARE(sx, ViewMapping::kPixelLimit);
        // 2^32 + 100 pixels must not come out as 100.
        m.Scale = 1;
        m.WorldToScreen(sx, sy, 4294967396.0, 0);
        QCOMPARE(sx, ViewMapping::kPixelLimit);
        QCOMPARE(MarkSizesFor(1e30).offset, 1 << 24);
    }
};

QTEST_APPLESS_MAIN(TestViewMapping)
#include "tst_viewmapping.moc"
