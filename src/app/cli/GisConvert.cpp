#include "app/cli/GisConvert.h"

#include "app/cli/CliCrs.h"
#include "app/cli/CliLoad.h"
#include "io/gis/GisExport.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"

#include <cstdio>
#include <string>
#include <vector>

const char kGisConvertHint[] =
    "  OUT.gpkg, .shp, .geojson or .kml: a GIS file (pointbridge-cli convert --crs for its "
    "options)\n";

namespace {

const char kUsage[] =
    "usage: pointbridge-cli convert IN OUT.gpkg|OUT.shp|OUT.geojson|OUT.kml --crs CRS\n"
    "                              [--x-axis east|north] [--closed CODE]...\n"
    "                              [--from FORMAT] [--keep-going]\n"
    "  IN            point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
    "  OUT           GIS file, by its extension: GeoPackage, Shapefile, GeoJSON or KML.\n"
    "                Layers: points (3-D, with id, code, z), lines (each code group as a\n"
    "                line, with its length) and polygons (each closed group, with its area\n"
    "                and perimeter); text in UTF-8. A shapefile takes the points in OUT.shp,\n"
    "                the others in OUT_lines.shp and OUT_polygons.shp; GeoJSON holds all\n"
    "                in one collection. KML is in WGS 84 degrees (the operation and its\n"
    "                accuracy are printed), the others in CRS with its definition\n"
    "  --crs CRS     the job's reference system, EPSG:NNNN\n"
    "  --closed CODE treat the group CODE as closed although its last point is not back on\n"
    "                its first (a-z read as A-Z); may be given more than once\n";

int usage() {
    std::fputs(kUsage, stderr);
    std::fputs(kJobLoadUsage, stderr);
    return 2;
}

} // namespace

bool NamesGisFile(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (GisFormatOf(argv[i]))
            return true;
    return false;
}

int RunGisConvert(int argc, char** argv) {
    std::vector<std::string> files;
    TGisOptions options;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (a == "--crs" && hasValue) {
            if (!ParseCrsOption("--crs", argv[++i], options.Epsg))
                return 2;
        } else if (a == "--closed" && hasValue) {
            options.MarkedClosed.insert(UpperAscii(argv[++i]));
        } else if (a.rfind("--", 0) == 0) {
            return usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2 || !GisFormatOf(files[1]))
        return usage();
    if (!options.Epsg) {
        std::fprintf(stderr, "pointbridge-cli: a GIS file needs the job's reference system: "
                             "--crs EPSG:NNNN\n");
        return 2;
    }
    options.Axes = load.Axes;
    TNCADProject project;
    if (!LoadJobFileOrReport(files[0], project, "pointbridge-cli", load))
        return 1;
    try {
        for (const TCrsOperation& op :
             ExportGis(project, files[1], *GisFormatOf(files[1]), options))
            std::printf("operation: %s (%d points)\naccuracy: %s\n", op.Name.c_str(), op.Points,
                        AccuracyText(op.Accuracy).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
