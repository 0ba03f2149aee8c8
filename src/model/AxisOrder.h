#pragma once

#include <optional>
#include <string_view>

// Which plan axis a job's X holds. The Korean TM systems call northing X and easting Y; the
// program has always taken X as easting. Point files and the table keep X and Y as they
// are: only the step between the job's X, Y and a reference system's easting, northing
// (drawing, CAD and GIS files, reference-system transforms) depends on it.
enum class TAxisOrder { XEast, XNorth };

// A plan position as easting and northing (metres), or longitude and latitude (degrees) in
// a geographic system.
struct TEastNorth {
    double E = 0.0;
    double N = 0.0;
};

inline TEastNorth ToEastNorth(double x, double y, TAxisOrder axes) {
    return axes == TAxisOrder::XEast ? TEastNorth{x, y} : TEastNorth{y, x};
}

inline void FromEastNorth(const TEastNorth& p, TAxisOrder axes, double& x, double& y) {
    x = axes == TAxisOrder::XEast ? p.E : p.N;
    y = axes == TAxisOrder::XEast ? p.N : p.E;
}

// The words the command line uses: "east" or "north".
inline std::optional<TAxisOrder> AxisOrderByName(std::string_view name) {
    if (name == "east")
        return TAxisOrder::XEast;
    if (name == "north")
        return TAxisOrder::XNorth;
    return std::nullopt;
}
