#pragma once

#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Traverse adjustment by the compass (Bowditch) or the transit rule. Plain data in and out,
// so that a window or a printed sheet shows the result as it is. Angles in radians,
// azimuths from north clockwise, lengths in metres; E is the easting, N the northing.

// A traverse that cannot be computed; the message says why.
class ETraverse : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TTraverseRule {
    Compass, // closure spread in proportion to the leg lengths
    Transit, // closure in northing spread by the legs' latitudes, in easting by their departures
};

struct TFixedPoint {
    double E = 0.0;
    double N = 0.0;
    std::optional<double> H;
};

// A traverse from a known station and orientation to a known station (the first one again
// for a closed loop), with its closing orientation where one was observed.
struct TTraverseInput {
    std::vector<std::string> Stations; // P0 .. Pn in route order
    TFixedPoint Start;                 // P0
    TFixedPoint End;                   // Pn
    std::string StartReference;        // the backsight at P0; empty for an azimuth alone
    double StartAzimuth = 0.0;         // P0 to the start reference
    std::string EndReference;          // the foresight at Pn
    std::optional<double> EndAzimuth;  // Pn to the end reference; none: angles not checked
    // Foresight less backsight direction at P0 .. Pn-1, and at Pn when there is an EndAzimuth.
    std::vector<double> Angles;
    std::vector<double> Distances;            // horizontal, leg Pi to Pi+1
    std::vector<std::optional<double>> Rises; // height of Pi+1 less Pi, where observed
    // Which of the file's set-ups measured each station's angle; -1 where none (for the
    // side shots that are reduced again).
    std::vector<int> Setups;
};

struct TTraverseAngle {
    std::string Station, Backsight, Foresight;
    double Observed = 0.0;
    double Correction = 0.0;
    double Adjusted = 0.0;
};

struct TTraverseLeg {
    std::string From, To;
    double Distance = 0.0;
    double Azimuth = 0.0;   // from the adjusted angles
    double Latitude = 0.0;  // 위거: northing component, Distance * cos(Azimuth)
    double Departure = 0.0; // 경거: easting component, Distance * sin(Azimuth)
    double LatitudeCorrection = 0.0;
    double DepartureCorrection = 0.0;
    std::optional<double> Rise;
    double RiseCorrection = 0.0;
};

struct TTraverseStation {
    std::string Id;
    double E = 0.0, N = 0.0, H = 0.0;
    bool Fixed = false; // P0 and Pn keep their given coordinates
};

struct TTraverseResult {
    TTraverseRule Rule = TTraverseRule::Compass;
    std::vector<TTraverseAngle> Angles;
    std::vector<TTraverseLeg> Legs;
    std::vector<TTraverseStation> Stations; // route order, adjusted
    // Computed less known closing azimuth; none when no closing orientation was observed.
    std::optional<double> AngularMisclosure;
    double LatitudeMisclosure = 0.0;  // sum of latitudes less (Nn - N0)
    double DepartureMisclosure = 0.0; // sum of departures less (En - E0)
    double LinearMisclosure = 0.0;
    double TotalLength = 0.0;
    // Computed less given height of Pn; none when Pn has no height or a leg has no rise.
    std::optional<double> HeightMisclosure;
    bool LevelLegs = false; // some leg had no vertical component and was taken as level

    // N of the precision 1/N; infinite for a traverse that closes exactly.
    double Precision() const {
        return LinearMisclosure > 0.0 ? TotalLength / LinearMisclosure : std::numeric_limits<double>::infinity();
    }
};

TTraverseResult AdjustTraverse(const TTraverseInput& input, TTraverseRule rule);
