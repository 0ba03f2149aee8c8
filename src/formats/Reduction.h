#pragma once

#include "formats/SurveyRecord.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// A point the data yields: given by the file, or computed from an observation.
struct TSurveyPoint {
    std::string Id;
    std::string Code;
    double E = 0.0; // easting
    double N = 0.0; // northing
    double H = 0.0; // height; 0 when the file gives none
    int Line = 0;
    bool Computed = false;
    bool HasHeight = true;
};

// Turns survey records into points, in the order of the file: each set-up is placed (its
// own coordinates, else an earlier point of that id, else a local origin) and oriented,
// and each shot becomes easting, northing and height: station height + instrument height
// + vertical component - target height. Heights carry on from record to record until
// changed.
//
// Orientation: what the file states (a backsight azimuth, or a backsight point with the
// circle reading towards it) wins; otherwise the set-up's shots to known points (given by
// the file or occupied as a station; points computed before the set-up when it has none
// of those) give it, their mean, and the set-up's points are turned about the station
// once the set-up ends. Every shot to a known point is a check: its differences in
// horizontal distance, height and direction are noted, and a miss of more than
// kCheckTolerance is a warning. Shots to given or occupied points make no point of their
// own.
class TReduction final : public TRecordSink {
public:
    // Metres: a check shot missing its point by more than this in plan or height is a warning.
    static constexpr double kCheckTolerance = 0.05;
    // Metres: one id at two positions farther apart than this is noted.
    static constexpr double kSameIdTolerance = 0.01;

    void Record(const TSurveyRecord& record) override;
    void Problem(int line, TMessage reason) override;
    void Note(int line, TMessage text) override;
    void LengthsInFeet(int line) override;
    // The end of the data: observations still waiting for a set-up are reduced from a local
    // origin, the last set-up is oriented, ids at two positions and the summary notes are
    // added, and messages are put in line order.
    void Finish();
    // Room for about `points` points, so a big file does not regrow the list.
    void Reserve(size_t points) { m_points.reserve(points); }

    std::vector<TSurveyPoint>& Points() { return m_points; }
    std::vector<TLineMessage>& Problems() { return m_problems; }
    // Results the data itself contradicts (a check shot that misses): every point is kept.
    std::vector<TLineMessage>& Warnings() { return m_warnings; }
    std::vector<TLineMessage>& Notes() { return m_notes; }

private:
    struct TSetup {
        bool Active = false;
        std::string Id;
        int Line = 0;
        double E = 0.0, N = 0.0, H = 0.0;
        bool HasHeight = false;
        bool Placed = false;      // at known coordinates, not a local origin
        double Orientation = 0.0; // azimuth = circle reading + Orientation
        bool HasBacksightAzimuth = false;
        double BacksightAzimuth = 0.0;
        TMessage OrientedBy; // what in the file oriented it; empty: nothing yet
        bool ReadsCircle = false;
        int UnknownBacksightLine = 0; // a backsight to a point nobody knows
        std::string UnknownBacksight;
    };
    // A shot's direction, horizontal distance and vertical component, as far as the
    // record gives them.
    struct TPolar {
        std::optional<double> Azimuth; // with the orientation so far; face two turned back
        bool FromCircle = false;
        bool NeedsBacksight = false; // a deflection angle, and no backsight azimuth
        std::optional<double> Horizontal;
        std::optional<double> Vertical; // instrument axis to target
    };
    // A shot to a known point, compared once the set-up's orientation is settled.
    struct TCheck {
        int Line = 0;
        std::string Id;
        size_t Target = 0; // index in m_points
        bool Firm = true;  // given by the file or occupied; else computed before the set-up
        TPolar Polar;
        std::optional<double> Height; // of the target, as measured
        long Made = -1; // the point the shot made as well, if any
    };

    void process(const TSurveyRecord& r);
    void station(const TSurveyRecord& r);
    void backsight(const TSurveyRecord& r);
    void givenPoint(const TSurveyRecord& r);
    void shot(const TSurveyRecord& r);
    long observedPoint(const TSurveyRecord& r);
    TPolar polar(const TSurveyRecord& r) const;
    bool reduce(const TSurveyRecord& r, double& e, double& n, double& h);
    void angleSet(const TSurveyRecord& r, double e, double n, double h);
    void addPoint(const TSurveyRecord& r, double e, double n, double h, bool computed, const std::string& code);
    // The latest point with this id, or null.
    const TSurveyPoint* find(const std::string& id);
    // The index of a point whose coordinates are known, or -1: `firm` when the file gives
    // them or the point was occupied as a station.
    long knownPoint(const std::string& id, bool& firm);
    void releaseWaiting(bool origin);
    // The end of a set-up: its orientation settled, its points turned, its checks said.
    void closeSetup();
    // The mean orientation of the set-up's checks, from firm points when it has any.
    bool deriveOrientation(double& orientation, int& shots, bool& firm) const;
    void turnPoints(double angle);
    void compare(const TCheck& check);
    void noteSameIds();
    TMessage setupName() const;

    std::vector<TSurveyPoint> m_points;
    std::vector<TLineMessage> m_problems;
    std::vector<TLineMessage> m_warnings;
    std::vector<TLineMessage> m_notes;
    // Built on the first look-up, so files of coordinates alone never pay for it.
    std::unordered_map<std::string, size_t> m_index;
    bool m_indexed = false;
    // Ids of stations set up at known coordinates: their points are known from then on.
    std::unordered_set<std::string> m_occupied;

    TSetup m_setup;
    std::vector<TCheck> m_checks;
    // Points of the current set-up made from circle readings: turned with its orientation.
    std::vector<size_t> m_circlePoints;
    size_t m_setupFirstPoint = 0; // points before this index are from earlier set-ups
    // Points left out at the end: their turn overflowed, or they were backsights after all.
    std::vector<size_t> m_dropped;
    // Angle-set targets of the current set-up: where their point is and how many
    // measurements its mean holds.
    struct TSetMean {
        size_t Index = 0;
        int Count = 0;
    };
    std::unordered_map<std::string, TSetMean> m_setMeans;
    double m_instrumentHeight = 0.0;
    double m_targetHeight = 0.0;
    // Records after a shot that came before any set-up: a set-up later in the file makes
    // that shot a problem; none at all puts the whole file on a local origin.
    std::vector<TSurveyRecord> m_waiting;
    bool m_isWaiting = false;

    bool m_feet = false; // check differences in feet
    int m_withoutDistance = 0;
    int m_toGivenPoints = 0;
    int m_withoutVertical = 0;
};
