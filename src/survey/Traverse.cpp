#include "survey/Traverse.h"

#include "formats/Angles.h"

#include <cmath>

namespace {

double wrapTurn(double a) {
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}

// To (-pi, pi].
double wrapHalf(double a) {
    a = wrapTurn(a);
    return a > kPi ? a - 2 * kPi : a;
}

void checkInput(const TTraverseInput& in) {
    if (in.Stations.size() < 2)
        throw ETraverse("a traverse needs at least two stations");
    const size_t legs = in.Stations.size() - 1;
    if (in.Distances.size() != legs || in.Rises.size() != legs ||
        in.Angles.size() != legs + (in.EndAzimuth ? 1 : 0))
        throw ETraverse("the traverse's angles and legs do not match its stations");
}

// Angles corrected equally, then the legs' azimuths carried from the start orientation.
void adjustAngles(const TTraverseInput& in, TTraverseResult& out) {
    const size_t n = in.Stations.size() - 1;
    double azimuth = in.StartAzimuth;
    for (size_t i = 0; i < in.Angles.size(); ++i)
        azimuth += in.Angles[i] + (i > 0 ? kPi : 0.0);
    double correction = 0.0;
    if (in.EndAzimuth) {
        out.AngularMisclosure = wrapHalf(azimuth - *in.EndAzimuth);
        correction = -*out.AngularMisclosure / static_cast<double>(in.Angles.size());
    }
    for (size_t i = 0; i < in.Angles.size(); ++i) {
        TTraverseAngle& a = out.Angles.emplace_back();
        a.Station = in.Stations[i];
        a.Backsight = i == 0 ? in.StartReference : in.Stations[i - 1];
        a.Foresight = i < n ? in.Stations[i + 1] : in.EndReference;
        a.Observed = wrapTurn(in.Angles[i]);
        a.Correction = correction;
        a.Adjusted = wrapTurn(in.Angles[i] + correction);
    }
    azimuth = in.StartAzimuth;
    for (size_t i = 0; i < n; ++i) {
        azimuth += in.Angles[i] + correction + (i > 0 ? kPi : 0.0);
        TTraverseLeg& leg = out.Legs.emplace_back();
        leg.From = in.Stations[i];
        leg.To = in.Stations[i + 1];
        leg.Distance = in.Distances[i];
        leg.Azimuth = wrapTurn(azimuth);
        leg.Latitude = leg.Distance * std::cos(leg.Azimuth);
        leg.Departure = leg.Distance * std::sin(leg.Azimuth);
        leg.Rise = in.Rises[i];
        out.TotalLength += leg.Distance;
    }
}

// Share of `closure` for one leg: by weight over the sum of weights (none when all are 0).
double share(double closure, double weight, double total) { return total > 0.0 ? -closure * weight / total : 0.0; }

void distributeClosure(const TTraverseInput& in, TTraverseResult& out) {
    double sumLat = 0.0, sumDep = 0.0, absLat = 0.0, absDep = 0.0;
    for (const TTraverseLeg& leg : out.Legs) {
        sumLat += leg.Latitude;
        sumDep += leg.Departure;
        absLat += std::abs(leg.Latitude);
        absDep += std::abs(leg.Departure);
    }
    out.LatitudeMisclosure = sumLat - (in.End.N - in.Start.N);
    out.DepartureMisclosure = sumDep - (in.End.E - in.Start.E);
    out.LinearMisclosure = std::hypot(out.LatitudeMisclosure, out.DepartureMisclosure);
    for (TTraverseLeg& leg : out.Legs) {
        if (out.Rule == TTraverseRule::Compass) {
            leg.LatitudeCorrection = share(out.LatitudeMisclosure, leg.Distance, out.TotalLength);
            leg.DepartureCorrection = share(out.DepartureMisclosure, leg.Distance, out.TotalLength);
        } else {
            leg.LatitudeCorrection = share(out.LatitudeMisclosure, std::abs(leg.Latitude), absLat);
            leg.DepartureCorrection = share(out.DepartureMisclosure, std::abs(leg.Departure), absDep);
        }
    }
}

// Trigonometric heights, their misclosure spread by leg length like the compass rule.
void adjustHeights(const TTraverseInput& in, TTraverseResult& out) {
    double sum = 0.0;
    for (const TTraverseLeg& leg : out.Legs) {
        out.LevelLegs = out.LevelLegs || !leg.Rise;
        sum += leg.Rise.value_or(0.0);
    }
    const double start = in.Start.H.value_or(0.0);
    if (in.End.H && !out.LevelLegs) {
        out.HeightMisclosure = start + sum - *in.End.H;
        for (TTraverseLeg& leg : out.Legs)
            leg.RiseCorrection = share(*out.HeightMisclosure, leg.Distance, out.TotalLength);
    }
}

} // namespace

TTraverseResult AdjustTraverse(const TTraverseInput& in, TTraverseRule rule) {
    checkInput(in);
    TTraverseResult out;
    out.Rule = rule;
    adjustAngles(in, out);
    distributeClosure(in, out);
    adjustHeights(in, out);
    const size_t n = in.Stations.size() - 1;
    double e = in.Start.E, north = in.Start.N, h = in.Start.H.value_or(0.0);
    for (size_t i = 0; i <= n; ++i) {
        if (i > 0) {
            const TTraverseLeg& leg = out.Legs[i - 1];
            e += leg.Departure + leg.DepartureCorrection;
            north += leg.Latitude + leg.LatitudeCorrection;
            h += leg.Rise.value_or(0.0) + leg.RiseCorrection;
        }
        TTraverseStation& s = out.Stations.emplace_back();
        s.Id = in.Stations[i];
        s.Fixed = i == 0 || i == n;
        // The ends stay exactly where they are given (the sums only come back to them to
        // within rounding); an end without a height takes the traverse's.
        s.E = i == n ? in.End.E : e;
        s.N = i == n ? in.End.N : north;
        s.H = i == n && in.End.H ? *in.End.H : h;
    }
    return out;
}
