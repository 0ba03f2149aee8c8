#include "crs/Crs.h"
#include "crs/CrsError.h"
#include "crs/CrsPresets.h"
#include "crs/JobTransform.h"
#include "model/NCADProject.h"

#include <QtTest>

Q_DECLARE_METATYPE(TAxisOrder)

class TestCrs : public QObject {
    Q_OBJECT
private slots:
    // Expected positions from cs2cs (PROJ 9.1.1, proj-data without grids), which takes and
    // gives northing first for the Korean systems and EPSG:4326 latitude first.
    void transform_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<TAxisOrder>("axes");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("toX");
        QTest::addColumn<double>("toY");
        QTest::addColumn<QString>("accuracy"); // or the start of the error

        const auto east = TAxisOrder::XEast, north = TAxisOrder::XNorth;
        QTest::newRow("Bessel modified central belt to GRS80, X east")
            << 5174 << 5186 << east << 201349.9947 << 448719.9895 << 201419.637470 << 549025.242348
            << "약 1 m";
        QTest::newRow("the same, X north") << 5174 << 5186 << north << 448719.9895 << 201349.9947
                                           << 549025.242348 << 201419.637470 << "약 1 m";
        QTest::newRow("Bessel central belt without the 10.405\" shift")
            << 2097 << 5186 << north << 448719.9895 << 201349.9947 << 549025.200656 << 201164.225382
            << "약 1 m";
        QTest::newRow("GRS80 belt to UTM-K: a change of projection only")
            << 5186 << 5179 << east << 201419.6375 << 549025.2423 << 957247.919509 << 1949155.525062
            << "0 m (투영 변환만)";
        QTest::newRow("degrees in: X east is longitude")
            << 4326 << 5186 << east << 127.0 << 37.5 << 200000.0 << 544504.123486 << "약 1 m";
        QTest::newRow("to UTM 52N, whose easting comes first")
            << 5186 << 32652 << north << 549025.2423 << 201419.6375 << 4156709.973860
            << 324725.892600 << "약 1 m";
        QTest::newRow("a latitude past the pole after a good point: nothing changes")
            << 4326 << 5186 << east << 127.0 << 37.5 << 127.0 << 37.5
            << "측점 \"P2\"을(를) EPSG:4326에서 EPSG:5186(으)로 변환할 수 없습니다: ";
        QTest::newRow("an unknown code") << 5174 << 999999 << east << 0.0 << 0.0 << 0.0 << 0.0
                                         << "EPSG:999999은(는) PROJ가 아는 좌표계가 아닙니다";
        QTest::newRow("a height system is no plan")
            << 5174 << 5703 << east << 0.0 << 0.0 << 0.0 << 0.0 << "EPSG:5703은(는) 평면";
    }

    void transform() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(TAxisOrder, axes);
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, toX);
        QFETCH(double, toY);
        QFETCH(QString, accuracy);
        TNCADProject project;
        auto group = std::make_unique<TNCADItem>();
        group->SetCode("경계");
        group->AddPoint(x, y, 34.5764, "P1");
        if (accuracy.contains("P2"))
            group->AddPoint(127.0, 95.0, 0, "P2");
        project.AddItem(std::move(group));
        const TPoint3D& p = *project.GetItem(0)->GetPoint(0);
        try {
            const std::vector<TCrsOperation> used = TransformProject(project, from, to, axes);
            QCOMPARE(used.size(), size_t(1));
            QCOMPARE(used[0].Points, 1);
            QCOMPARE(QString::fromStdString(AccuracyText(used[0].Accuracy)), accuracy);
        } catch (const ECrsError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).startsWith(accuracy), e.what());
        }
        const double tolerance = 0.0005; // half a millimetre: cs2cs printed six decimals
        QVERIFY2(std::abs(p.X - toX) < tolerance, qPrintable(QString::number(p.X, 'f', 6)));
        QVERIFY2(std::abs(p.Y - toY) < tolerance, qPrintable(QString::number(p.Y, 'f', 6)));
        QCOMPARE(p.Z, 34.5764);
        QCOMPARE(p.ID, std::string("P1"));
        QCOMPARE(project.GetItem(0)->Code(), std::string("경계"));
    }

    void codesAndPresets() {
        QCOMPARE(ParseEpsgCode("EPSG:5186"), std::optional<int>(5186));
        QCOMPARE(ParseEpsgCode("epsg:5174"), std::optional<int>(5174));
        QCOMPARE(ParseEpsgCode("32652"), std::optional<int>(32652));
        for (const char* bad : {"", "EPSG:", "EPSG:-5", "5186m", "ESRI:102080", "0"})
            QVERIFY2(!ParseEpsgCode(bad), bad);
        QCOMPARE(AccuracyText(-1), std::string("정확도 알 수 없음"));
        QCOMPARE(AccuracyText(0.5), std::string("약 0.5 m"));

        // Every preset is a plan system PROJ knows, the central GRS80 belt first.
        QCOMPARE(CrsPresets().front().Epsg, 5186);
        for (const TCrsPreset& preset : CrsPresets()) {
            const TCrsInfo info = DescribeCrs(preset.Epsg);
            QVERIFY(!info.Name.empty());
            QCOMPARE(info.Geographic, preset.Epsg == 4326);
            QCOMPARE(info.NorthFirst, preset.Epsg != 32652);
            QCOMPARE(FindCrsPreset(preset.Epsg), &preset);
        }
        QVERIFY(!FindCrsPreset(3857));
    }
};

QTEST_GUILESS_MAIN(TestCrs)
#include "tst_crs.moc"
