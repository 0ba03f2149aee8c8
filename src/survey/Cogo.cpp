#include "survey/Cogo.h"

#include "formats/Angles.h"
#include "text/NumText.h"

#include <cmath>

namespace {

double wrapTurn(double a) {
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}

// Lengths below this (metres) are none: far below any survey precision, above the noise of
// coordinates of a few thousand kilometres.
constexpr double kNoLength = 1e-9;

} // namespace

TInverse Inverse(const TGridPoint& from, const TGridPoint& to) {
    TInverse r;
    r.DE = to.E - from.E;
    r.DN = to.N - from.N;
    r.DH = to.H - from.H;
    r.Distance = std::hypot(r.DE, r.DN);
    r.Azimuth = r.Distance > 0.0 ? wrapTurn(std::atan2(r.DE, r.DN)) : 0.0;
    r.Slope = std::hypot(r.Distance, r.DH);
    return r;
}

TGridPoint PolarPoint(const TGridPoint& from, double azimuth, double distance) {
    return TGridPoint{from.E + distance * std::sin(azimuth), from.N + distance * std::cos(azimuth), from.H};
}

std::optional<TGridPoint> IntersectBearings(const TGridPoint& a, double azimuthA, const TGridPoint& b,
                                            double azimuthB) {
    // a + s * ua = b + t * ub, solved by Cramer's rule.
    const double uaE = std::sin(azimuthA), uaN = std::cos(azimuthA);
    const double ubE = std::sin(azimuthB), ubN = std::cos(azimuthB);
    const double det = ubE * uaN - uaE * ubN; // sin(azimuthB - azimuthA)
    if (std::abs(det) < 1e-12)
        return std::nullopt;
    const double dE = b.E - a.E, dN = b.N - a.N;
    const double s = (ubE * dN - ubN * dE) / det;
    const double t = (uaE * dN - uaN * dE) / det;
    if (s < -kNoLength || t < -kNoLength)
        return std::nullopt;
    return TGridPoint{a.E + s * uaE, a.N + s * uaN, a.H};
}

std::vector<TGridPoint> IntersectDistances(const TGridPoint& a, double distanceA, const TGridPoint& b,
                                           double distanceB) {
    const double dE = b.E - a.E, dN = b.N - a.N;
    const double base = std::hypot(dE, dN);
    if (base < kNoLength || distanceA < 0.0 || distanceB < 0.0)
        return {};
    // Along the base from a to the foot of the answers, then square off it.
    const double along = (distanceA * distanceA - distanceB * distanceB + base * base) / (2 * base);
    const double across2 = distanceA * distanceA - along * along;
    if (across2 < -kNoLength * base)
        return {};
    const double across = across2 > 0.0 ? std::sqrt(across2) : 0.0;
    const double uE = dE / base, uN = dN / base;
    const TGridPoint foot{a.E + along * uE, a.N + along * uN, a.H};
    if (across < kNoLength)
        return {foot};
    // Right of a to b is (uN, -uE) in east and north.
    return {TGridPoint{foot.E + across * uN, foot.N - across * uE, a.H},
            TGridPoint{foot.E - across * uN, foot.N + across * uE, a.H}};
}

TDms ToDms(double radians, int decimals) {
    const double scale = std::pow(10.0, decimals);
    // Whole units of the last place shown, so that the carry is exact.
    double units = std::round(wrapTurn(radians) * 180.0 / kPi * 3600.0 * scale);
    const double turn = 360.0 * 3600.0 * scale;
    if (units >= turn)
        units -= turn;
    TDms d;
    d.Degrees = static_cast<int>(units / (3600.0 * scale));
    units -= d.Degrees * 3600.0 * scale;
    d.Minutes = static_cast<int>(units / (60.0 * scale));
    units -= d.Minutes * 60.0 * scale;
    d.Seconds = units / scale;
    return d;
}

std::string FormatDms(double radians, int decimals) {
    const TDms d = ToDms(radians, decimals);
    const std::string minutes = std::to_string(d.Minutes);
    const std::string seconds = FormatFixed(d.Seconds, decimals);
    return std::to_string(d.Degrees) + "\u00B0" + (d.Minutes < 10 ? "0" : "") + minutes + "'" +
           (d.Seconds < 10 ? "0" : "") + seconds + "\"";
}
