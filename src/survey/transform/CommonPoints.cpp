#include "survey/transform/CommonPoints.h"

#include "model/Measure.h"
#include "model/NCADProject.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

struct Place {
    double x, y;
};

// ID -> position, and the IDs in the order of first appearance.
std::map<std::string, Place> positionsOf(const TNCADProject& project, const char* which,
                                         std::vector<std::string>* order = nullptr) {
    std::map<std::string, Place> places;
    for (const auto& group : project)
        for (const auto& point : group->Points) {
            const auto [it, added] = places.try_emplace(point->ID, Place{point->X, point->Y});
            if (added) {
                if (order)
                    order->push_back(point->ID);
            } else if (std::hypot(it->second.x - point->X, it->second.y - point->Y) >
                       kClosingTolerance) {
                throw EFitError(std::string(which) + "에 측점 \"" + point->ID +
                                "\"이(가) 좌표가 다른 두 점으로 있어 공통점으로 쓸 수 없습니다.");
            }
        }
    return places;
}

} // namespace

std::vector<TCommonPair> MatchCommonPoints(const TNCADProject& source, const TNCADProject& target) {
    std::vector<std::string> order;
    const auto from = positionsOf(source, "변환 전 공통점", &order);
    const auto to = positionsOf(target, "변환 후 공통점");
    std::vector<TCommonPair> pairs;
    for (const std::string& id : order) {
        const auto it = to.find(id);
        if (it == to.end())
            continue;
        const Place& s = from.at(id);
        pairs.push_back({id, s.x, s.y, it->second.x, it->second.y, true});
    }
    return pairs;
}

void ExcludePairs(std::vector<TCommonPair>& pairs, const std::vector<std::string>& ids) {
    for (const std::string& id : ids) {
        const auto it = std::find_if(pairs.begin(), pairs.end(),
                                     [&](const TCommonPair& p) { return p.ID == id; });
        if (it == pairs.end())
            throw EFitError("측점 \"" + id + "\"은(는) 공통점이 아닙니다.");
        it->Used = false;
    }
}

void ApplyPlaneTransform(TNCADProject& project, const TPlaneTransform& transform) {
    for (const auto& group : project)
        for (const auto& point : group->Points) {
            const double x = point->X, y = point->Y;
            transform.Apply(x, y, point->X, point->Y);
        }
}
