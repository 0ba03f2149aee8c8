#pragma once

#include "model/AxisOrder.h"

// Reference-system options shared by the commands that take them. Each returns false after
// saying on standard error what was wrong with the value.

// --crs, --from-crs, --to-crs: "EPSG:5186" or "5186".
bool ParseCrsOption(const char* option, const char* text, int& epsg);
// --x-axis east|north.
bool ParseAxisOption(const char* text, TAxisOrder& axes);
