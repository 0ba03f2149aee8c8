#include "io/gis/GisExport.h"

#include "crs/CrsError.h"
#include "io/gis/GisFiles.h"
#include "model/CodeText.h"
#include "model/Measure.h"
#include "model/NCADProject.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unordered_map>

namespace {

// A shapefile's text fields hold at most this many bytes; longer text would be cut.
constexpr size_t kShapefileText = 254;

bool endsWith(const std::string& upper, const char* extension) {
    const size_t n = std::char_traits<char>::length(extension);
    return upper.size() > n && upper.compare(upper.size() - n, n, extension) == 0;
}

// Which features a layer takes; GeoJSON puts all of them into its one collection.
struct LayerPlan {
    std::string Name;
    OGRwkbGeometryType Type;
    bool Points, Lines, Polygons;
};

class GisWriter {
public:
    GisWriter(const TNCADProject& project, const TGisOptions& options, TGisFormat format)
        : m_project(project), m_options(options), m_format(format) {}

    std::vector<TCrsOperation> Write(const std::string& path);

private:
    std::vector<LayerPlan> plans(const std::string& path) const;
    size_t textWidth(bool ids) const;
    OGRLayer* createLayer(TGisFiles& files, const LayerPlan& plan, OGRSpatialReference& srs);
    TEastNorth place(const TPoint3D& point);
    void add(TGisFiles& files, OGRLayer* layer, OGRFeature& feature, OGRGeometry* geometry);
    void writePoints(TGisFiles& files, OGRLayer* layer);
    // The groups that are lines, or those that are polygons.
    void writeGroups(TGisFiles& files, OGRLayer* layer, bool polygons);
    // `points` more gone through.
    void advance(size_t points);

    const TNCADProject& m_project;
    const TGisOptions& m_options;
    TGisFormat m_format;
    bool m_geographic = false;                // the job's system is in degrees
    std::unique_ptr<TCrsTransform> m_toWgs84; // KML only
    std::unordered_map<const TPoint3D*, TEastNorth> m_wgs84;
    size_t m_done = 0, m_total = 0, m_told = 0;
};

std::vector<LayerPlan> GisWriter::plans(const std::string& path) const {
    const std::string stem = std::filesystem::path(path).stem().string();
    switch (m_format) {
    case TGisFormat::GeoJson:
        return {{stem, wkbUnknown, true, true, true}};
    case TGisFormat::Shapefile:
        return {{stem, wkbPoint25D, true, false, false},
                {stem + "_lines", wkbLineString25D, false, true, false},
                {stem + "_polygons", wkbPolygon25D, false, false, true}};
    default:
        return {{"points", wkbPoint25D, true, false, false},
                {"lines", wkbLineString25D, false, true, false},
                {"polygons", wkbPolygon25D, false, false, true}};
    }
}

// The widest ID (or code) in bytes, for a shapefile's field; text that does not fit is
// refused rather than cut.
size_t GisWriter::textWidth(bool ids) const {
    size_t width = 1;
    for (const auto& group : m_project)
        for (const auto& point : group->Points) {
            const std::string& text = ids ? point->ID : group->Code();
            if (text.size() > kShapefileText)
                throw EGisError("측점 \"" + point->ID + "\"의 " + (ids ? "ID" : "코드") + "가 " +
                                std::to_string(kShapefileText) +
                                "바이트를 넘어 Shapefile에 담을 수 없습니다.");
            width = std::max(width, text.size());
        }
    return width;
}

OGRLayer* GisWriter::createLayer(TGisFiles& files, const LayerPlan& plan,
                                 OGRSpatialReference& srs) {
    const bool shapefile = m_format == TGisFormat::Shapefile;
    CPLStringList options;
    if (shapefile)
        options.AddNameValue("ENCODING", "UTF-8");
    // GeoJSON writes decimals as far as the binary value goes (201349.994700000010198):
    // 0.1 mm is what the point files keep, and about as much in degrees.
    if (m_format == TGisFormat::GeoJson)
        options.AddNameValue("COORDINATE_PRECISION", m_geographic ? "9" : "4");
    OGRLayer* layer =
        files.Dataset().CreateLayer(plan.Name.c_str(), &srs, plan.Type, options.List());
    files.Check(layer != nullptr);
    auto text = [&](const char* name, bool ids) {
        OGRFieldDefn field(name, OFTString);
        if (shapefile)
            field.SetWidth(static_cast<int>(textWidth(ids)));
        files.Check(layer->CreateField(&field) == OGRERR_NONE);
    };
    auto number = [&](const char* name, OGRFieldType type) {
        OGRFieldDefn field(name, type);
        files.Check(layer->CreateField(&field) == OGRERR_NONE);
    };
    if (plan.Points)
        text("id", true);
    text("code", false);
    if (plan.Points)
        number("z", OFTReal);
    if (plan.Lines || plan.Polygons)
        number("points", OFTInteger);
    if (plan.Lines)
        number("length", OFTReal);
    if (plan.Polygons) {
        number("area", OFTReal);
        number("perimeter", OFTReal);
    }
    return layer;
}

TEastNorth GisWriter::place(const TPoint3D& point) {
    const TEastNorth p = ToEastNorth(point.X, point.Y, m_options.Axes);
    if (!m_toWgs84)
        return p;
    // Once a point: the lines and polygons pass the same points again.
    if (const auto it = m_wgs84.find(&point); it != m_wgs84.end())
        return it->second;
    try {
        return m_wgs84[&point] = m_toWgs84->Transform(p);
    } catch (const ECrsError& e) {
        throw ECrsError("측점 \"" + point.ID + "\"을(를) WGS 84로 변환할 수 없습니다: " + e.what());
    }
}

void GisWriter::add(TGisFiles& files, OGRLayer* layer, OGRFeature& feature, OGRGeometry* geometry) {
    feature.SetGeometryDirectly(geometry);
    files.Check(layer->CreateFeature(&feature) == OGRERR_NONE);
}

void GisWriter::advance(size_t points) {
    constexpr size_t kBetweenReports = 16384;
    m_done += points;
    if (m_options.Progress && m_done - m_told >= kBetweenReports && m_done < m_total) {
        m_told = m_done;
        m_options.Progress(m_done, m_total);
    }
}

void GisWriter::writePoints(TGisFiles& files, OGRLayer* layer) {
    for (const auto& group : m_project)
        for (const auto& point : group->Points) {
            advance(1);
            OGRFeature feature(layer->GetLayerDefn());
            feature.SetField("id", point->ID.c_str());
            feature.SetField("code", group->Code().c_str());
            feature.SetField("z", point->Z);
            const TEastNorth p = place(*point);
            add(files, layer, feature, new OGRPoint(p.E, p.N, point->Z));
        }
}

void GisWriter::writeGroups(TGisFiles& files, OGRLayer* layer, bool polygons) {
    for (const auto& group : m_project) {
        const int n = group->PointCount();
        advance(static_cast<size_t>(n));
        if (n < 2)
            continue;
        const bool marked = m_options.MarkedClosed.count(group->Code()) > 0;
        const TGroupMeasure m = MeasureGroup(*group, marked);
        if ((m.Closed && m.State == TAreaState::Valid) != polygons)
            continue;
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField("code", group->Code().c_str());
        feature.SetField("points", n);
        // A figure that closes itself ends on its first point shot again: the ring closes
        // on the first point exactly instead.
        const int corners = m.ClosesItself && polygons ? n - 1 : n;
        OGRLineString path;
        for (int i = 0; i < corners; ++i) {
            const TPoint3D& point = *group->GetPoint(i);
            const TEastNorth p = place(point);
            path.addPoint(p.E, p.N, point.Z);
        }
        if (m.Closed && !m.ClosesItself) {
            OGRPoint first;
            path.getPoint(0, &first);
            path.addPoint(&first);
        }
        if (!polygons) {
            feature.SetField("length", m.Length);
            add(files, layer, feature, path.clone());
            continue;
        }
        auto ring = new OGRLinearRing;
        ring->addSubLineString(&path);
        ring->closeRings();
        auto area = new OGRPolygon;
        area->addRingDirectly(ring);
        feature.SetField("area", m.Area);
        feature.SetField("perimeter", m.Perimeter);
        add(files, layer, feature, area);
    }
}

std::vector<TCrsOperation> GisWriter::Write(const std::string& path) {
    const bool kml = m_format == TGisFormat::Kml;
    if (kml)
        m_toWgs84 = std::make_unique<TCrsTransform>(m_options.Epsg, 4326);
    else
        m_geographic = DescribeCrs(m_options.Epsg).Geographic;
    OGRSpatialReference srs;
    if (srs.importFromEPSG(kml ? 4326 : m_options.Epsg) != OGRERR_NONE)
        throw ECrsError(EpsgText(m_options.Epsg) + "을(를) GDAL이 읽지 못했습니다.");
    // Easting (longitude) first in every file, whatever order the EPSG definition has.
    srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);

    static const char* const kDrivers[] = {"GPKG", "ESRI Shapefile", "GeoJSON", "KML"};
    std::vector<std::string> options;
    if (kml)
        options.push_back("NameField=id");
    TGisFiles files(kDrivers[static_cast<int>(m_format)], path, m_format == TGisFormat::Shapefile,
                    options);
    // One transaction where the format has them: a GeoPackage otherwise commits every
    // feature on its own, ten times slower.
    const bool transaction = files.Dataset().StartTransaction() == OGRERR_NONE;
    const std::vector<LayerPlan> layers = plans(path);
    size_t points = 0;
    for (const auto& group : m_project)
        points += static_cast<size_t>(group->PointCount());
    for (const LayerPlan& plan : layers)
        m_total += points * ((plan.Points ? 1 : 0) + (plan.Lines ? 1 : 0) + (plan.Polygons ? 1 : 0));
    if (m_options.Progress)
        m_options.Progress(0, m_total);
    // One layer after the other: KML cannot go back to a layer once the next has begun.
    try {
        for (const LayerPlan& plan : layers) {
            OGRLayer* layer = createLayer(files, plan, srs);
            if (plan.Points)
                writePoints(files, layer);
            if (plan.Lines)
                writeGroups(files, layer, false);
            if (plan.Polygons)
                writeGroups(files, layer, true);
        }
    } catch (...) {
        // Nothing of it is kept: closing would otherwise still index what was written.
        if (transaction)
            files.Dataset().RollbackTransaction();
        throw;
    }
    if (m_options.Progress)
        m_options.Progress(m_total, m_total);
    if (transaction)
        files.Check(files.Dataset().CommitTransaction() == OGRERR_NONE);
    files.Commit();
    return m_toWgs84 ? m_toWgs84->Operations() : std::vector<TCrsOperation>{};
}

} // namespace

std::optional<TGisFormat> GisFormatOf(const std::string& path) {
    const std::string upper = UpperAscii(path);
    if (endsWith(upper, ".GPKG"))
        return TGisFormat::GeoPackage;
    if (endsWith(upper, ".SHP"))
        return TGisFormat::Shapefile;
    if (endsWith(upper, ".GEOJSON"))
        return TGisFormat::GeoJson;
    if (endsWith(upper, ".KML"))
        return TGisFormat::Kml;
    return std::nullopt;
}

std::vector<TCrsOperation> ExportGis(const TNCADProject& project, const std::string& path,
                                     TGisFormat format, const TGisOptions& options) {
    return GisWriter(project, options, format).Write(path);
}
