#pragma once

#include <stdexcept>
#include <string>
#include <vector>

// Plane transformations fitted to common points, as cadastral conversions are done: a
// similarity (Helmert: shifts, one rotation, one scale) or an affine (a scale per axis and
// a skew besides). Everything is in the job's X, Y in metres; the fit does not care which
// of them is northing.

enum class TFitMethod { Helmert, Affine };

// x' = A0 + A1 x + A2 y,  y' = B0 + B1 x + B2 y.
struct TPlaneTransform {
    double A0 = 0, A1 = 1, A2 = 0;
    double B0 = 0, B1 = 0, B2 = 1;

    void Apply(double x, double y, double& outX, double& outY) const {
        outX = A0 + A1 * x + A2 * y;
        outY = B0 + B1 * x + B2 * y;
    }
};

// The transformation in a surveyor's terms. Rotation turns +X toward +Y: counter-clockwise
// on the map when X is easting, clockwise when X is northing.
struct TTransformTerms {
    double ShiftX = 0, ShiftY = 0; // metres: where the origin goes (A0, B0)
    double RotationSeconds = 0;    // of the X axis
    double ScalePpm = 0;           // Helmert: the scale; affine: along X
    double ScaleYPpm = 0;          // affine: along Y (Helmert: the same as ScalePpm)
    double SkewSeconds = 0;        // affine: how much further the Y axis turns than X
};
TTransformTerms DescribeTransform(const TPlaneTransform& transform);

// A point known in both systems.
struct TCommonPair {
    std::string ID;
    double X = 0, Y = 0;             // in the job's system
    double TargetX = 0, TargetY = 0; // in the system it goes to
    bool Used = true;                // false: left out of the fit, still checked against it
};

// Target minus transformed source: what the fit leaves unexplained at the pair.
struct TPairResidual {
    std::string ID;
    double DX = 0, DY = 0, D = 0; // metres; D = hypot(DX, DY)
    bool Used = true;
};

struct TPlaneFit {
    TFitMethod Method = TFitMethod::Helmert;
    TPlaneTransform Transform;
    std::vector<TPairResidual> Residuals; // every pair, in the order given
    int Used = 0;                         // pairs in the fit
    double Rms = 0;                       // sqrt(mean of D^2) over the pairs in the fit
};

// Pairs too few or placed so that they cannot fix the transformation.
class EFitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Least squares over the pairs marked Used: Helmert needs 2, affine 3 not on one line.
TPlaneFit FitPlaneTransform(const std::vector<TCommonPair>& pairs, TFitMethod method);
