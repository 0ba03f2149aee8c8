#include "crs/CrsError.h"
#include "io/gis/GisExport.h"
#include "model/NCADProject.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(TAxisOrder)

namespace {

// A 40 m x 30 m boundary that closes on its first point, a road, a bench mark and a
// building marked closed, in EPSG:5186 (easting 201300, northing 548700 at the corner).
void fillJob(TNCADProject& project, TAxisOrder axes, const std::string& code = "경계") {
    auto add = [&](const std::string& name, std::initializer_list<std::array<double, 3>> points) {
        auto group = std::make_unique<TNCADItem>();
        group->SetCode(name);
        int n = 0;
        for (const auto& p : points) {
            const double e = 201300 + p[0], north = 548700 + p[1];
            const bool xEast = axes == TAxisOrder::XEast;
            group->AddPoint(xEast ? e : north, xEast ? north : e, p[2],
                            name.substr(0, 1) + std::to_string(++n));
        }
        project.AddItem(std::move(group));
    };
    add(code, {{0, 0, 34.5}, {40, 0, 34.6}, {40, 30, 34.7}, {0, 30, 34.8}, {0, 0, 34.5}});
    add("도로", {{0, -5, 33}, {20, -5, 33}, {40, -5, 33}});
    add("BM", {{-10, -10, 30.125}});
    add("BLD", {{10, 10, 36}, {20, 10, 36}, {20, 20, 36}, {10, 20, 36}});
}

struct DatasetClose {
    void operator()(GDALDataset* d) const { GDALClose(d); }
};

} // namespace

class TestGisExport : public QObject {
    Q_OBJECT
    TGisOptions options(TAxisOrder axes) {
        TGisOptions o;
        o.Epsg = 5186;
        o.Axes = axes;
        o.MarkedClosed = {"BLD"};
        return o;
    }

private slots:
    void initTestCase() { GDALAllRegister(); }

    void readBack_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<TAxisOrder>("axes");
        QTest::addColumn<QString>("layers"); // name:features ...
        QTest::addColumn<int>("epsg");
        QTest::addColumn<double>("x"); // the first point as the file has it
        QTest::addColumn<double>("y");

        const auto east = TAxisOrder::XEast, north = TAxisOrder::XNorth;
        const QString three = "points:13 lines:1 polygons:2";
        QTest::newRow("GeoPackage") << "out.gpkg" << east << three << 5186 << 201300.0 << 548700.0;
        QTest::newRow("GeoPackage of a job with X north")
            << "out.gpkg" << north << three << 5186 << 201300.0 << 548700.0;
        QTest::newRow("Shapefile: three sets of files")
            << "out.shp" << east << "out:13 out_lines:1 out_polygons:2" << 5186 << 201300.0
            << 548700.0;
        QTest::newRow("GeoJSON: one collection")
            << "out.geojson" << north << "out:16" << 5186 << 201300.0 << 548700.0;
        // cs2cs EPSG:5186 EPSG:4326 gives 37.537804067085 127.014709069498.
        QTest::newRow("KML in WGS 84")
            << "out.kml" << north << three << 4326 << 127.014709069498 << 37.537804067085;
    }

    void readBack() {
        QFETCH(QString, file);
        QFETCH(TAxisOrder, axes);
        QFETCH(QString, layers);
        QFETCH(int, epsg);
        QFETCH(double, x);
        QFETCH(double, y);
        QTemporaryDir dir;
        TNCADProject project;
        fillJob(project, axes);
        const std::string path = dir.filePath(file).toStdString();
        const auto used = ExportGis(project, path, *GisFormatOf(path), options(axes));
        QCOMPARE(used.size(), size_t(epsg == 4326 ? 1 : 0));

        // A folder of shapefiles opens as one dataset of all of them.
        const std::string open = file.endsWith(".shp") ? dir.path().toStdString() : path;
        std::unique_ptr<GDALDataset, DatasetClose> data(
            GDALDataset::Open(open.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
        QVERIFY(data);
        QStringList found;
        for (OGRLayer* layer : data->GetLayers())
            found << QString("%1:%2").arg(layer->GetName()).arg(layer->GetFeatureCount());
        found.sort();
        QStringList expected = layers.split(' ');
        expected.sort();
        QCOMPARE(found, expected);

        OGRLayer* points = data->GetLayerByName(
            file.endsWith(".gpkg") || file.endsWith(".kml") ? "points" : "out");
        const OGRSpatialReference* srs = points->GetSpatialRef();
        QVERIFY(srs);
        QCOMPARE(QString(srs->GetAuthorityCode(nullptr)), QString::number(epsg));
        std::unique_ptr<OGRFeature> first(points->GetNextFeature());
        QCOMPARE(QString::fromUtf8(first->GetFieldAsString("code")), QString("경계"));
        const OGRPoint* p = first->GetGeometryRef()->toPoint();
        const double tolerance = epsg == 4326 ? 1e-9 : 1e-6;
        QVERIFY2(
            std::abs(p->getX() - x) < tolerance && std::abs(p->getY() - y) < tolerance,
            qPrintable(QString("%1 %2").arg(p->getX(), 0, 'f', 12).arg(p->getY(), 0, 'f', 12)));
        QCOMPARE(p->getZ(), 34.5);

        // Areas are those of the job's plane, also in KML's degrees.
        std::map<std::string, double> areas;
        for (OGRLayer* layer : data->GetLayers())
            for (auto& feature : *layer)
                if (wkbFlatten(feature->GetGeometryRef()->getGeometryType()) == wkbPolygon) {
                    const double area = feature->GetFieldAsDouble("area");
                    areas[feature->GetFieldAsString("code")] = area;
                    if (epsg != 4326)
                        QCOMPARE(feature->GetGeometryRef()->toPolygon()->get_Area(), area);
                }
        QCOMPARE(areas.size(), size_t(2));
        QCOMPARE(areas["경계"], 1200.0);
        QCOMPARE(areas["BLD"], 100.0);
    }

    // A failure, or a stop from the progress half-way, leaves what was there and no
    // temporaries beside it.
    void failureKeepsOldFiles() {
        QTemporaryDir dir;
        const std::string path = dir.filePath("old.shp").toStdString();
        QFile old(dir.filePath("old.shp"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        TNCADProject longCode;
        fillJob(longCode, TAxisOrder::XEast, std::string(255, 'A'));
        QVERIFY_THROWS_EXCEPTION(EGisError, ExportGis(longCode, path, TGisFormat::Shapefile,
                                                      options(TAxisOrder::XEast)));
        TNCADProject project;
        fillJob(project, TAxisOrder::XEast);
        TGisOptions height = options(TAxisOrder::XEast);
        height.Epsg = 5703;
        QVERIFY_THROWS_EXCEPTION(ECrsError,
                                 ExportGis(project, path, TGisFormat::Shapefile, height));
        auto walk = std::make_unique<TNCADItem>();
        walk->SetCode("WALK");
        for (int i = 0; i < 40000; ++i)
            walk->AddPoint(201300 + i * 0.01, 548700, 30, std::to_string(i));
        project.AddItem(std::move(walk));
        TGisOptions stopped = options(TAxisOrder::XEast);
        stopped.Progress = [](size_t done, size_t total) {
            if (done > 0 && done < total)
                throw std::runtime_error("stopped");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 ExportGis(project, path, TGisFormat::Shapefile, stopped));
        const QStringList all = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(all, QStringList{"old.shp"});
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
    }
};

QTEST_GUILESS_MAIN(TestGisExport)
#include "tst_gisexport.moc"
