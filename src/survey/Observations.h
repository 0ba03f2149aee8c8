#pragma once

#include "formats/InstrumentFormat.h"
#include "formats/Reduction.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One shot of a set-up, in the set-up's own circle: angles in radians, lengths in metres.
struct TSighting {
    std::string Target;
    std::string Code;
    int Line = 0;
    // Circle reading reduced to face one; none for a shot without a horizontal angle.
    std::optional<double> Direction;
    bool FaceTwo = false;
    std::optional<double> Distance; // horizontal
    // Station mark to target mark: instrument height + vertical component - target height.
    std::optional<double> Rise;
};

// What one set-up observed, from its Station record to the next one.
struct TSetup {
    std::string Station;
    int Line = 0;
    // The backsight as the file names it, with its azimuth and circle reading where given.
    std::string BacksightId;
    std::optional<double> BacksightAzimuth;
    std::optional<double> BacksightCircle;
    std::vector<TSighting> Sightings;
};

// Coordinates a file gives for a point (the latest, where it gives several).
struct TGivenPoint {
    double E = 0.0;
    double N = 0.0;
    std::optional<double> H;
    // From a set-up at 0,0: where instruments put a station they were not told the place
    // of. Only the start of a local traverse is really there.
    bool SetupAtOrigin = false;
};

// The records of an instrument file as read, kept so that they can be reduced again from
// adjusted stations, and the set-ups and given points they hold. Ids, codes and messages
// are UTF-8.
class TObservationLog final : public TRecordSink {
public:
    void Record(const TSurveyRecord& record) override;
    void Problem(int line, TMessage reason) override;
    void Note(int line, TMessage text) override;
    // Texts as UTF-8 with the file's decoder; then the set-ups and given points are built.
    void Finish(std::string_view bytes);

    const std::vector<TSurveyRecord>& Records() const { return m_records; }
    const std::vector<TLineMessage>& Problems() const { return m_problems; }
    const std::vector<TLineMessage>& Notes() const { return m_notes; }
    // In file order; the n-th Station record starts the n-th set-up.
    const std::vector<TSetup>& Setups() const { return m_setups; }
    // Coordinates of `id`; a set-up at 0,0 only with `setupAtOrigin`.
    const TGivenPoint* Given(const std::string& id, bool setupAtOrigin = false) const;

private:
    void collect();

    std::vector<TSurveyRecord> m_records;
    std::vector<TLineMessage> m_problems;
    std::vector<TLineMessage> m_notes;
    std::vector<TSetup> m_setups;
    std::unordered_map<std::string, TGivenPoint> m_given;
};

// Mean face-one direction (radians, in the set-up's circle) from the set-up to `target`:
// its shots, else the file's backsight reading when `target` is the named backsight. None
// when the set-up did not observe it.
std::optional<double> SetupDirection(const TSetup& setup, const std::string& target, const TObservationLog& log);

// Mean of directions (radians) as offsets from the first, so that readings either side of
// zero (359.9999 and 0.0001 degrees) give zero, not half a turn.
double MeanDirection(const std::vector<double>& directions);

// Grid azimuth (radians, from north clockwise) from one point to another.
double GridAzimuth(double fromE, double fromN, double toE, double toN);

// Reads an instrument file (`choice` is not PointLines) into a log.
TObservationLog ReadObservations(std::string_view bytes, const TFormatChoice& choice);
