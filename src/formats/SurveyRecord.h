#pragma once

#include "formats/Message.h"

#include <optional>
#include <string>

// One record of an instrument file, as the readers hand it to the reduction: lengths in the
// file's own unit, angles in radians, horizontal angles clockwise, vertical angles from
// the zenith (face two stays as measured, above 180 degrees).

enum class TRecordKind {
    Point,     // coordinates the file gives
    Station,   // a set-up: the instrument stands on `Id`
    Backsight, // orientation of the current set-up
    Heights,   // instrument and/or target height from now on
    Shot,      // an observation from the current set-up to `Id`
};

enum class THorizontalKind {
    Circle,          // circle reading, oriented by the set-up's backsight
    Azimuth,         // already a grid azimuth (from north)
    DeflectionRight, // angle from the prolongation of the backsight line
};

enum class TDistanceKind { None, Slope, Horizontal };

struct TSurveyRecord {
    TRecordKind Kind = TRecordKind::Point;
    int Line = 0; // 1-based line where the record starts
    // Point, station or target id and the code, as the file's bytes (CP949 or UTF-8).
    std::string Id;
    std::string Code;

    // Point, Station, or a Shot the instrument also computed: easting, northing, height.
    bool HasCoordinates = false;
    double E = 0.0;
    double N = 0.0;
    std::optional<double> H;

    std::optional<double> InstrumentHeight;
    std::optional<double> TargetHeight;

    // Backsight (a Station may carry one as well).
    std::string BacksightId;
    std::optional<double> BacksightAzimuth; // from north, clockwise
    std::optional<double> BacksightCircle;  // circle reading towards the backsight

    // Shot.
    THorizontalKind HorizontalKind = THorizontalKind::Circle;
    std::optional<double> Horizontal;
    std::optional<double> Zenith;
    TDistanceKind DistanceKind = TDistanceKind::None;
    double Distance = 0.0;
    // Instrument axis to target, where the file gives it instead of (or besides) a zenith.
    std::optional<double> HeightDifference;
    // One of the repeated measurements of an angle set (face one and two, several rounds):
    // the set's measurements of a target from one set-up make one point, their mean.
    bool InAngleSet = false;
    // A measurement of the backsight: compared with its point when that is known, and
    // never made into a point of its own.
    bool MeasuresBacksight = false;

    // Ready for the next record; keeps the strings' buffers.
    void Reset(TRecordKind kind, int line);
};

// A set-up at exactly 0,0 in plan: what instruments write for a station they were not told
// the place of. It stands on an earlier point of its id where there is one; only without
// one is it a local origin.
bool SetupAtBareOrigin(const TSurveyRecord& r);

// Where a reader puts what it reads.
class TRecordSink {
public:
    virtual ~TRecordSink() = default;
    virtual void Record(const TSurveyRecord& record) = 0;
    // A record the data needs but that cannot be read; it is left out.
    virtual void Problem(int line, TMessage reason) = 0;
    // Something the user should know that loses nothing (a unit taken as given).
    virtual void Note(int line, TMessage text) = 0;
    // Lengths from `line` on are in feet, and taken as given.
    virtual void LengthsInFeet(int line) { Note(line, Say("lengths in feet: taken as given")); }
};
