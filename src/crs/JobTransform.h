#pragma once

#include "crs/CrsTransform.h"
#include "model/AxisOrder.h"

#include <vector>

class TNCADProject;

// Moves every point of the project from one reference system into another: X and Y through
// PROJ (read as easting and northing by `axes`, written back the same way), Z, IDs, codes
// and the order of points and groups as they are. All points or none: a point PROJ cannot
// transform throws ECrsError naming it, and the project is left unchanged. Returns the
// operations used, each with its stated accuracy.
std::vector<TCrsOperation> TransformProject(TNCADProject& project, int fromEpsg, int toEpsg,
                                            TAxisOrder axes);
