#include "view/PointPick.h"

#include "model/NCADProject.h"
#include "view/PlanIndex.h"
#include "view/ViewMapping.h"

#include <cmath>
#include <cstdint>
#include <vector>

const TPoint3D* PickPoint(const ViewMapping& mapping, const TNCADProject& project, int sx, int sy,
                          int radius, TAxisOrder axes) {
    const TPoint3D* nearest = nullptr;
    double best = static_cast<double>(radius) * radius;
    for (const auto& item : project)
        for (const auto& point : item->Points) {
            // Where the dot is drawn: the rounded pixel, as the painter places it.
            const TEastNorth plan = ToEastNorth(point->X, point->Y, axes);
            const double dx = mapping.PixelX(plan.E) - sx;
            const double dy = mapping.PixelY(plan.N) - sy;
            const double d2 = dx * dx + dy * dy;
            if (d2 <= best) { // NaN compares false and is never taken
                best = d2;
                nearest = point.get();
            }
        }
    return nearest;
}

const TPoint3D* PickPoint(const ViewMapping& mapping, const TPlanIndex& index, int sx, int sy, int radius) {
    const TPoint3D* nearest = nullptr;
    double best = static_cast<double>(radius) * radius;
    const auto consider = [&](std::uint32_t i) {
        const double dx = mapping.PixelX(index.X(i)) - sx;
        const double dy = mapping.PixelY(index.Y(i)) - sy;
        const double d2 = dx * dx + dy * dy;
        if (d2 <= best) { // in drawing order: of equals the one on top wins
            best = d2;
            nearest = &index.Point(i);
        }
    };
    std::vector<std::uint32_t> points, segments;
    const double s = mapping.Scale;
    const double x = (sx - mapping.HalfWidth) / s + mapping.CenterX;
    const double y = mapping.CenterY - (sy - mapping.HalfHeight) / s;
    const double pad = (radius + 2) / s;
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(pad) &&
        index.Query(x - pad, y - pad, x + pad, y + pad, points, segments)) {
        for (const std::uint32_t i : points)
            consider(i);
    } else {
        for (std::uint32_t i = 0; i < index.Size(); ++i)
            consider(i);
    }
    return nearest;
}
