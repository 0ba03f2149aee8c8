#include "crs/JobTransform.h"

#include "crs/CrsError.h"
#include "model/NCADProject.h"

std::vector<TCrsOperation> TransformProject(TNCADProject& project, int fromEpsg, int toEpsg,
                                            TAxisOrder axes) {
    TCrsTransform transform(fromEpsg, toEpsg);
    // New positions first, so that a failure halfway changes nothing.
    std::vector<TEastNorth> moved;
    moved.reserve(static_cast<size_t>(project.TotalPointCount()));
    for (const auto& group : project)
        for (const auto& point : group->Points) {
            try {
                moved.push_back(transform.Transform(ToEastNorth(point->X, point->Y, axes)));
            } catch (const ECrsError& e) {
                throw ECrsError("측점 \"" + point->ID + "\"을(를) " + EpsgText(fromEpsg) + "에서 " +
                                EpsgText(toEpsg) + "(으)로 변환할 수 없습니다: " + e.what());
            }
        }
    auto next = moved.begin();
    for (const auto& group : project)
        for (const auto& point : group->Points)
            FromEastNorth(*next++, axes, point->X, point->Y);
    return transform.Operations();
}
