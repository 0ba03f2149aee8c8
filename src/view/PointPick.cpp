#include "view/PointPick.h"

#include "model/NCADProject.h"
#include "view/ViewMapping.h"

#include <cmath>

const TPoint3D* PickPoint(const ViewMapping& mapping, const TNCADProject& project, int sx, int sy,
                          int radius) {
    const TPoint3D* nearest = nullptr;
    double best = static_cast<double>(radius) * radius;
    for (const auto& item : project)
        for (const auto& point : item->Points) {
            // Where the dot is drawn: the rounded pixel, as the painter places it.
            const double dx = mapping.PixelX(point->X) - sx;
            const double dy = mapping.PixelY(point->Y) - sy;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= best) { // NaN compares false and is never taken
                best = d2;
                nearest = point.get();
            }
        }
    return nearest;
}
