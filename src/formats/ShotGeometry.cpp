#include "formats/ShotGeometry.h"

#include "formats/Angles.h"
#include "formats/SurveyRecord.h"

#include <algorithm>
#include <cmath>

bool SplitShot(const TSurveyRecord& r, TShotGeometry& g, std::string& problem) {
    g = TShotGeometry{};
    double zenith = 0.0;
    if (r.Zenith) {
        zenith = std::fmod(*r.Zenith, 2 * kPi);
        if (zenith < 0.0)
            zenith += 2 * kPi;
        if (zenith > kPi) {
            zenith = 2 * kPi - zenith;
            g.FaceTwo = true;
        }
    }
    switch (r.DistanceKind) {
    case TDistanceKind::None:
        return true;
    case TDistanceKind::Slope:
        if (r.Zenith) {
            g.Horizontal = r.Distance * std::sin(zenith);
            g.Vertical = r.Distance * std::cos(zenith);
        } else if (r.HeightDifference) {
            g.Vertical = *r.HeightDifference;
            g.Horizontal = std::sqrt(std::max(0.0, r.Distance * r.Distance - g.Vertical * g.Vertical));
        } else {
            problem = "slope distance without a vertical angle";
            return false;
        }
        g.HasVertical = true;
        return true;
    case TDistanceKind::Horizontal:
        g.Horizontal = r.Distance;
        if (r.HeightDifference) {
            g.Vertical = *r.HeightDifference;
            g.HasVertical = true;
        } else if (r.Zenith && std::sin(zenith) != 0.0) {
            g.Vertical = r.Distance * std::cos(zenith) / std::sin(zenith);
            g.HasVertical = true;
        }
        return true;
    }
    return true;
}
