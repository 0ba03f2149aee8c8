#pragma once

#include "crs/CrsTransform.h"
#include "model/AxisOrder.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class TNCADProject;

// The GIS files we write, the default first.
enum class TGisFormat { GeoPackage, Shapefile, GeoJson, Kml };

// By the case-blind extension: .gpkg, .shp, .geojson, .kml.
std::optional<TGisFormat> GisFormatOf(const std::string& path);

struct TGisOptions {
    int Epsg = 0; // the job's reference system
    TAxisOrder Axes = TAxisOrder::XEast;
    // Codes of groups the user treats as closed although their last point is not back on
    // the first (as the measure takes them).
    std::set<std::string> MarkedClosed;
    // Told now and then how far the writing has got, in points gone through out of all; may
    // throw to stop the export, which leaves the old files. Told done == total once, when
    // only the files are left to finish, which cannot be stopped.
    std::function<void(size_t done, size_t total)> Progress;
};

// Job data a GIS file cannot hold as it is (a text too long for a shapefile's field).
class EGisError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the job as a GIS file with three layers: "points" (3-D points with id, code, z),
// "lines" (each code group of two or more points that is not a valid closed figure, as a
// 3-D line with code, points, length) and "polygons" (each closed group with an area, with
// code, points, area, perimeter). Lengths and areas are those of the measure: metres and
// square metres in the job's system. KML is in WGS 84 degrees; the others are in the job's
// system with its definition. Text is UTF-8 (a shapefile says so in its .cpg).
// A shapefile holds one layer: OUT.shp takes the points, OUT_lines.shp and
// OUT_polygons.shp the rest. GeoJSON holds one collection with all features.
// Every file is written complete beside its target before the first one replaces an old
// one, so a failure leaves the old files. Returns the operations that took the points to
// WGS 84 for KML (none for the others). Throws EFileError, ECrsError, EGisError.
std::vector<TCrsOperation> ExportGis(const TNCADProject& project, const std::string& path,
                                     TGisFormat format, const TGisOptions& options);
