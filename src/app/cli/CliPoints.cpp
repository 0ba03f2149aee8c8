#include "app/cli/CliPoints.h"

#include "formats/Angles.h"
#include "model/NCADProject.h"
#include "text/NumText.h"

#include <cmath>
#include <cstdio>

bool FindJobPoint(const TNCADProject& project, const std::string& id, TGridPoint& point,
                  TAxisOrder axes) {
    int count = 0;
    for (const auto& group : project)
        for (const auto& p : group->Points)
            if (p->ID == id && count++ == 0) {
                const TEastNorth plan = ToEastNorth(p->X, p->Y, axes);
                point = TGridPoint{plan.E, plan.N, p->Z};
            }
    if (count == 1)
        return true;
    if (count == 0)
        std::fprintf(stderr, "pointbridge-cli: no point '%s' in the job\n", id.c_str());
    else
        std::fprintf(stderr, "pointbridge-cli: %d points are called '%s'\n", count, id.c_str());
    return false;
}

bool ParseDmsArgument(const char* text, double& radians) {
    return ParseAngle(text, TAngleUnit::DegreeDms, radians) && std::isfinite(radians);
}

bool ParseLengthArgument(const char* text, double& metres) {
    return TryStrToFloat(text, metres) && std::isfinite(metres) && metres >= 0.0;
}

std::vector<std::string> SplitIdList(const char* text) {
    std::vector<std::string> ids;
    std::string id;
    for (const char* p = text;; ++p) {
        if (*p == ',' || !*p) {
            ids.push_back(id);
            id.clear();
            if (!*p)
                break;
        } else {
            id += *p;
        }
    }
    return ids;
}

bool ParseRuleName(const char* text, TTraverseRule& rule) {
    const std::string name = text;
    if (name == "compass")
        rule = TTraverseRule::Compass;
    else if (name == "transit")
        rule = TTraverseRule::Transit;
    else
        return false;
    return true;
}
