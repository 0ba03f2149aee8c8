#pragma once

#include "model/AxisOrder.h"

class TNCADProject;
class TPlanIndex;
class TPoint3D;
class ViewMapping;

// Pixels around a point's dot within which a click takes that point.
constexpr int kPickRadius = 5;

// The point drawn nearest to the client pixel (sx, sy), when its dot lies within `radius`
// pixels of it; null otherwise. Of points drawn at the same distance the one drawn last (on
// top) wins. A plain walk over all points: the one place to speed up when jobs grow.
// `axes` says which of the view's easting and northing the job's X is.
const TPoint3D* PickPoint(const ViewMapping& mapping, const TNCADProject& project, int sx, int sy,
                          int radius = kPickRadius, TAxisOrder axes = TAxisOrder::XEast);

// The same over the view's index of the job: only the points near the pixel are looked at.
const TPoint3D* PickPoint(const ViewMapping& mapping, const TPlanIndex& index, int sx, int sy,
                          int radius = kPickRadius);
