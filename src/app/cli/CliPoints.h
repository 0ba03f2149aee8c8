#pragma once

#include "model/AxisOrder.h"

#include "survey/Cogo.h"
#include "survey/Traverse.h"

#include <string>
#include <vector>

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

// "B11,D1,D2" as ids, in order; empty ids stay, so that the route says what is wrong.
std::vector<std::string> SplitIdList(const char* text);
// "compass" or "transit"; false for anything else.
bool ParseRuleName(const char* text, TTraverseRule& rule);
