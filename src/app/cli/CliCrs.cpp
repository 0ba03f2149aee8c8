#include "app/cli/CliCrs.h"

#include "crs/Crs.h"

#include <cstdio>

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
