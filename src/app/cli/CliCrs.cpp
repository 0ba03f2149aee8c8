#include "app/cli/CliCrs.h"

#include "crs/Crs.h"

#include <cstdio>

const char kAxisUsage[] =
    "  --x-axis east|north  what the job's X holds: east (default) or north, as the Korean\n"
    "                       TM systems name their axes (X northing, Y easting)\n";

bool ParseCrsOption(const char* option, const char* text, int& epsg) {
    if (const auto code = ParseEpsgCode(text)) {
        epsg = *code;
        return true;
    }
    std::fprintf(stderr, "pointbridge-cli: %s wants EPSG:NNNN, not '%s'\n", option, text);
    return false;
}

bool ParseAxisOption(const char* text, TAxisOrder& axes) {
    if (const auto order = AxisOrderByName(text)) {
        axes = *order;
        return true;
    }
    std::fprintf(stderr, "pointbridge-cli: --x-axis is east or north, not '%s'\n", text);
    return false;
}
