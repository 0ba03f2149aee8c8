#pragma once

#include <optional>
#include <string>
#include <vector>

// Coordinate geometry on the grid: E is the easting (the job's X), N the northing (its Y),
// H the height; azimuths in radians from north clockwise, in [0, 2 pi); lengths in metres.

struct TGridPoint {
    double E = 0.0;
    double N = 0.0;
    double H = 0.0;
};

struct TInverse {
    double Distance = 0.0; // horizontal
    double Azimuth = 0.0;  // 0 for two points at one place
    double DE = 0.0, DN = 0.0, DH = 0.0; // to less from
    double Slope = 0.0;
};

TInverse Inverse(const TGridPoint& from, const TGridPoint& to);

// The point at `distance` along `azimuth` from `from`, at its height.
TGridPoint PolarPoint(const TGridPoint& from, double azimuth, double distance);

// Where the bearing `azimuthA` from `a` meets the bearing `azimuthB` from `b`: none when
// they are parallel or meet behind either station.
std::optional<TGridPoint> IntersectBearings(const TGridPoint& a, double azimuthA, const TGridPoint& b,
                                            double azimuthB);

// The points at `distanceA` from `a` and `distanceB` from `b`: none when the circles do not
// meet, one where they touch, else two, the one right of the line from a to b first.
std::vector<TGridPoint> IntersectDistances(const TGridPoint& a, double distanceA, const TGridPoint& b,
                                           double distanceB);

// Degrees, minutes and seconds of an angle in [0, 360), seconds rounded to `decimals`
// places with the carry into minutes and degrees ("359°59'59.96\"" to one place is
// "0°00'00.0\"").
struct TDms {
    int Degrees = 0;
    int Minutes = 0;
    double Seconds = 0.0;
};
TDms ToDms(double radians, int decimals);
// "123°04'05.6\"": degrees, minutes and seconds of two digits, `decimals` places.
std::string FormatDms(double radians, int decimals = 1);
