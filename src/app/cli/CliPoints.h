#pragma once

#include "model/AxisOrder.h"

#include "survey/Cogo.h"

#include <string>

class TNCADProject;

// The job's one point named `id`, as grid coordinates (easting, northing, height), its X
// and Y read as `axes` says. False, said on standard error, when no point or more than one
// carries the id.
bool FindJobPoint(const TNCADProject& project, const std::string& id, TGridPoint& point,
                  TAxisOrder axes = TAxisOrder::XEast);

// An angle typed as ddd.mmss (123.4530 is 123°45'30"), in radians; false for anything else.
bool ParseDmsArgument(const char* text, double& radians);
// A length in metres, not negative; false for anything else.
bool ParseLengthArgument(const char* text, double& metres);
