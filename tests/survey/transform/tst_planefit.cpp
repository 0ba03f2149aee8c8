#include "model/NCADProject.h"
#include "survey/transform/CommonPoints.h"

#include <QtTest>

#include <cmath>
#include <numbers>

Q_DECLARE_METATYPE(TFitMethod)

namespace {

constexpr double kRadiansPerSecond = std::numbers::pi / (180.0 * 3600.0);

// Shifts in metres, rotation and skew in seconds, scales in ppm.
TPlaneTransform fromTerms(double shiftX, double shiftY, double rotation, double scale,
                          double scaleY, double skew) {
    const double tx = rotation * kRadiansPerSecond, ty = (rotation + skew) * kRadiansPerSecond;
    const double mx = 1 + scale * 1e-6, my = 1 + scaleY * 1e-6;
    return {shiftX, mx * std::cos(tx), -my * std::sin(ty),
            shiftY, mx * std::sin(tx), my * std::cos(ty)};
}

// Repeatable noise in [-1, 1].
double noise(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) / double(1 << 23) - 1.0;
}

enum class Layout { Spread, OnALine, OnePlace };

// `n` pairs about a point of a Bessel central belt, 400 m across; "B" (the second pair) is
// off by half a metre when `blunder`.
std::vector<TCommonPair> pairsFor(const TPlaneTransform& truth, int n, double amplitude,
                                  bool blunder, Layout layout) {
    std::vector<TCommonPair> pairs;
    unsigned state = 7;
    for (int i = 0; i < n; ++i) {
        const double u = std::fmod(i * 0.618034, 1.0), v = std::fmod(i * 0.414214 + 0.3, 1.0);
        TCommonPair p;
        p.ID = i == 1 ? "B" : "P" + std::to_string(i);
        p.X = 201000 + (layout == Layout::OnePlace ? 0 : 400 * u);
        p.Y = 448000 + (layout == Layout::Spread    ? 400 * v
                        : layout == Layout::OnALine ? 200 * u
                                                    : 0);
        truth.Apply(p.X, p.Y, p.TargetX, p.TargetY);
        p.TargetX += amplitude * noise(state);
        p.TargetY += amplitude * noise(state) + (blunder && i == 1 ? 0.5 : 0);
        p.Used = !(blunder && i == 1);
        pairs.push_back(p);
    }
    return pairs;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class TestPlaneFit : public QObject {
    Q_OBJECT
private slots:
    void fit_data() {
        QTest::addColumn<TFitMethod>("method");
        QTest::addColumn<QList<double>>("terms"); // shift X, Y, rotation, scale, scale Y, skew
        QTest::addColumn<int>("pairs");
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<double>("noise");   // metres, each coordinate
        QTest::addColumn<bool>("blunder");   // pair B off by 0.5 m and left out
        QTest::addColumn<double>("seconds"); // how close rotation and skew come
        QTest::addColumn<double>("ppm");     // and the scales
        QTest::addColumn<QString>("error");

        const auto helmert = TFitMethod::Helmert, affine = TFitMethod::Affine;
        const auto spread = Layout::Spread, line = Layout::OnALine, spot = Layout::OnePlace;
        const QList<double> similar{100.5, -200.25, 12.5, 25, 25, 0};
        const QList<double> sheared{-3.2, 7.7, -4.0, 30, -20, 2.5};
        QTest::newRow("helmert, two exact pairs")
            << helmert << similar << 2 << spread << 0.0 << false << 1e-6 << 1e-6 << "";
        QTest::newRow("helmert, ten pairs with 5 mm noise")
            << helmert << similar << 10 << spread << 0.005 << false << 2.0 << 10.0 << "";
        QTest::newRow("helmert, a blunder left out")
            << helmert << similar << 8 << spread << 0.002 << true << 1.0 << 5.0 << "";
        QTest::newRow("affine, three exact pairs")
            << affine << sheared << 3 << spread << 0.0 << false << 1e-6 << 1e-6 << "";
        QTest::newRow("affine, twelve pairs with 5 mm noise, a blunder left out")
            << affine << sheared << 12 << spread << 0.005 << true << 4.0 << 15.0 << "";
        QTest::newRow("helmert needs two pairs")
            << helmert << similar << 1 << spread << 0.0 << false << 0.0 << 0.0
            << "헬머트 변환에는 공통점이 2개 이상 있어야 합니다 (지금 1개).";
        QTest::newRow("affine needs three pairs besides one left out")
            << affine << sheared << 3 << spread << 0.0 << true << 0.0 << 0.0
            << "부등각 사상변환에는 공통점이 3개 이상 있어야 합니다 (지금 2개).";
        QTest::newRow("affine on a line") << affine << sheared << 5 << line << 0.0 << false << 0.0
                                          << 0.0 << "공통점이 한 직선 위에 있어";
        QTest::newRow("helmert on one spot") << helmert << similar << 3 << spot << 0.0 << false
                                             << 0.0 << 0.0 << "공통점이 모두 한 자리에 있어";
    }

    void fit() {
        QFETCH(TFitMethod, method);
        QFETCH(QList<double>, terms);
        QFETCH(int, pairs);
        QFETCH(Layout, layout);
        QFETCH(double, noise);
        QFETCH(bool, blunder);
        QFETCH(double, seconds);
        QFETCH(double, ppm);
        QFETCH(QString, error);
        const TPlaneTransform truth =
            fromTerms(terms[0], terms[1], terms[2], terms[3], terms[4], terms[5]);
        const std::vector<TCommonPair> given = pairsFor(truth, pairs, noise, blunder, layout);
        if (!error.isEmpty()) {
            try {
                FitPlaneTransform(given, method);
                QFAIL("fitted");
            } catch (const EFitError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith(error), e.what());
            }
            return;
        }
        const TPlaneFit fit = FitPlaneTransform(given, method);
        const TTransformTerms got = DescribeTransform(fit.Transform);
        QVERIFY2(std::abs(got.RotationSeconds - terms[2]) <= seconds,
                 qPrintable(QString::number(got.RotationSeconds)));
        QVERIFY2(std::abs(got.ScalePpm - terms[3]) <= ppm,
                 qPrintable(QString::number(got.ScalePpm)));
        QVERIFY2(std::abs(got.ScaleYPpm - terms[4]) <= ppm,
                 qPrintable(QString::number(got.ScaleYPpm)));
        QVERIFY2(std::abs(got.SkewSeconds - terms[5]) <= seconds,
                 qPrintable(QString::number(got.SkewSeconds)));
        // Shifts mean little far from the origin; a point amid the pairs lands where the
        // true transformation puts it.
        double x, y, tx, ty;
        fit.Transform.Apply(201200, 448200, x, y);
        truth.Apply(201200, 448200, tx, ty);
        QVERIFY2(std::hypot(x - tx, y - ty) <= std::max(noise, 1e-6),
                 qPrintable(QString::number(x - tx)));

        QCOMPARE(fit.Residuals.size(), size_t(pairs));
        QCOMPARE(fit.Used, pairs - (blunder ? 1 : 0));
        double sum = 0;
        for (const TPairResidual& r : fit.Residuals) {
            QCOMPARE(r.Used, r.ID != "B" || !blunder);
            QCOMPARE(r.D, std::hypot(r.DX, r.DY));
            if (r.Used)
                sum += r.D * r.D;
            else
                QVERIFY2(std::abs(r.DY - 0.5) < 0.02, qPrintable(QString::number(r.DY)));
        }
        QCOMPARE(fit.Rms, std::sqrt(sum / fit.Used));
        QVERIFY(fit.Rms <= 1.5 * noise + 1e-6);
    }

    // Pairs by ID, in the source's order; a point standing twice with one position is one
    // pair, with two positions an error; the fitted transformation moves X and Y only.
    void commonPoints() {
        TNCADProject source, target;
        auto add = [](TNCADProject& project, const char* code,
                      std::initializer_list<std::tuple<const char*, double, double>> points) {
            auto group = std::make_unique<TNCADItem>();
            group->SetCode(code);
            for (const auto& [id, x, y] : points)
                group->AddPoint(x, y, 12.5, id);
            project.AddItem(std::move(group));
        };
        add(source, "A", {{"1", 0, 0}, {"2", 100, 0}, {"9", 5, 5}});
        add(source, "B", {{"2", 100, 0.0005}, {"3", 0, 100}});
        add(target, "A", {{"3", 10, 110}, {"1", 10, 10}, {"7", 0, 0}, {"2", 110, 10}});
        std::vector<TCommonPair> pairs = MatchCommonPoints(source, target);
        QCOMPARE(pairs.size(), size_t(3));
        QCOMPARE(pairs[0].ID + pairs[1].ID + pairs[2].ID, std::string("123"));
        QCOMPARE(pairs[2].TargetY, 110.0);

        ExcludePairs(pairs, {"2"});
        QVERIFY(!pairs[1].Used);
        QVERIFY_THROWS_EXCEPTION(EFitError, ExcludePairs(pairs, {"9"}));
        ApplyPlaneTransform(source, FitPlaneTransform(pairs, TFitMethod::Helmert).Transform);
        const TPoint3D& moved = *source.GetItem(0)->GetPoint(2);
        QVERIFY(std::abs(moved.X - 15) < 1e-9 && std::abs(moved.Y - 15) < 1e-9);
        QCOMPARE(moved.Z, 12.5);
        QCOMPARE(moved.ID, std::string("9"));

        add(target, "C", {{"1", 10.002, 10}});
        QVERIFY_THROWS_EXCEPTION(EFitError, MatchCommonPoints(source, target));
    }
};

QTEST_GUILESS_MAIN(TestPlaneFit)
#include "tst_planefit.moc"
