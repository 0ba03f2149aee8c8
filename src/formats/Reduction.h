#pragma once

#include "formats/SurveyRecord.h"

#include <string>
#include <unordered_map>
#include <vector>

// A point the data yields: given by the file, or computed from an observation.
struct TSurveyPoint {
    std::string Id;
    std::string Code;
    double E = 0.0; // easting
    double N = 0.0; // northing
    double H = 0.0; // height
    int Line = 0;
    bool Computed = false;
};

// A message about one line of the data; Line 0 speaks of the whole file.
struct TLineMessage {
    int Line = 0;
    std::string Text;
};

// Turns survey records into points, in the order of the file: each set-up is placed (its
// own coordinates, else an earlier point of that id, else a local origin) and oriented
// (backsight azimuth, given or from a known point, less the circle reading), and each shot
// becomes easting, northing and height: station height + instrument height + vertical
// component - target height. Heights carry on from record to record until changed.
class TReduction final : public TRecordSink {
public:
    void Record(const TSurveyRecord& record) override;
    void Problem(int line, std::string reason) override;
    void Note(int line, std::string text) override;
    // The end of the data: observations still waiting for a set-up are reduced from a local
    // origin, the summary notes are added, and messages are put in line order.
    void Finish();
    // Room for about `points` points, so a big file does not regrow the list.
    void Reserve(size_t points) { m_points.reserve(points); }

    std::vector<TSurveyPoint>& Points() { return m_points; }
    std::vector<TLineMessage>& Problems() { return m_problems; }
    std::vector<TLineMessage>& Notes() { return m_notes; }

private:
    struct TSetup {
        bool Active = false;
        std::string Id;
        double E = 0.0, N = 0.0, H = 0.0;
        double Orientation = 0.0; // azimuth = circle reading + Orientation
        bool HasBacksightAzimuth = false;
        double BacksightAzimuth = 0.0;
    };

    void process(const TSurveyRecord& r);
    void station(const TSurveyRecord& r);
    void backsight(const TSurveyRecord& r);
    void givenPoint(const TSurveyRecord& r);
    void shot(const TSurveyRecord& r);
    bool reduce(const TSurveyRecord& r, double& e, double& n, double& h);
    void angleSet(const TSurveyRecord& r, double e, double n, double h);
    void addPoint(const TSurveyRecord& r, double e, double n, double h, bool computed, const std::string& code);
    // The latest point with this id, or null.
    const TSurveyPoint* find(const std::string& id);
    void releaseWaiting(bool origin);

    std::vector<TSurveyPoint> m_points;
    std::vector<TLineMessage> m_problems;
    std::vector<TLineMessage> m_notes;
    // Built on the first look-up, so files of coordinates alone never pay for it.
    std::unordered_map<std::string, size_t> m_index;
    bool m_indexed = false;

    TSetup m_setup;
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

    int m_withoutDistance = 0;
    int m_toGivenPoints = 0;
    int m_withoutVertical = 0;
};
