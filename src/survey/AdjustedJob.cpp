#include "survey/AdjustedJob.h"

#include "survey/Observations.h"
#include "survey/Traverse.h"

#include <set>
#include <unordered_map>

namespace {

class TReplay {
public:
    TReplay(const TObservationLog& log, const TTraverseInput& input, const TTraverseResult& traverse);
    TInstrumentResult Run();

private:
    struct TOrientation {
        double BacksightAzimuth = 0.0;
        double BacksightCircle = 0.0;
    };

    const TTraverseStation* adjusted(const std::string& id) const;
    bool placedAt(const std::string& id, double& e, double& n) const;
    std::optional<TOrientation> orient(size_t index, const TSetup& s) const;
    void setup(const TSurveyRecord& r, const std::optional<TOrientation>& orientation);
    void stationPoint(const TSurveyRecord& r, const TTraverseStation& at);
    void keepHeights(const TSurveyRecord& r);

    const TObservationLog& m_log;
    std::unordered_map<std::string, const TTraverseStation*> m_stations;
    // Set-ups of the traverse and the backsight of their angle.
    std::unordered_map<size_t, std::string> m_routeBacksight;
    std::set<std::string> m_inJob; // adjusted stations already among the points
    TReduction m_reduction;
};

TReplay::TReplay(const TObservationLog& log, const TTraverseInput& input, const TTraverseResult& traverse)
    : m_log(log) {
    for (const TTraverseStation& s : traverse.Stations)
        m_stations[s.Id] = &s;
    // A loop's first set-up may also measure its closing angle: it keeps its first backsight.
    for (size_t i = 0; i < input.Setups.size(); ++i)
        if (input.Setups[i] >= 0)
            m_routeBacksight.emplace(static_cast<size_t>(input.Setups[i]),
                                     i == 0 ? input.StartReference : input.Stations[i - 1]);
}

const TTraverseStation* TReplay::adjusted(const std::string& id) const {
    const auto it = m_stations.find(id);
    return it == m_stations.end() ? nullptr : it->second;
}

bool TReplay::placedAt(const std::string& id, double& e, double& n) const {
    if (const TTraverseStation* s = adjusted(id)) {
        e = s->E;
        n = s->N;
        return true;
    }
    if (const TGivenPoint* p = m_log.Given(id)) {
        e = p->E;
        n = p->N;
        return true;
    }
    return false;
}

// Oriented on one backsight, as in the field: the one the file names where it has a place,
// else the traverse's own backsight for a set-up of the traverse, else an azimuth the file
// gives without a point, else the first placed point the set-up observed. Handed to the
// reduction as that backsight's azimuth and reading, so that deflection angles still turn
// from the backsight line.
std::optional<TReplay::TOrientation> TReplay::orient(size_t index, const TSetup& s) const {
    const TTraverseStation* at = adjusted(s.Station);
    auto sight = [&](const std::string& target) -> std::optional<TOrientation> {
        double e = 0.0, n = 0.0;
        if (target.empty() || target == s.Station || !placedAt(target, e, n) || (e == at->E && n == at->N))
            return std::nullopt;
        const auto d = SetupDirection(s, target, m_log);
        if (!d)
            return std::nullopt;
        return TOrientation{GridAzimuth(at->E, at->N, e, n), *d};
    };
    if (auto o = sight(s.BacksightId))
        return o;
    if (const auto it = m_routeBacksight.find(index); it != m_routeBacksight.end())
        if (auto o = sight(it->second))
            return o;
    if (s.BacksightId.empty() && s.BacksightAzimuth)
        return TOrientation{*s.BacksightAzimuth, s.BacksightCircle.value_or(*s.BacksightAzimuth)};
    for (const TSighting& sighting : s.Sightings)
        if (auto o = sight(sighting.Target))
            return o;
    return std::nullopt;
}

void TReplay::setup(const TSurveyRecord& r, const std::optional<TOrientation>& orientation) {
    const TTraverseStation* at = adjusted(r.Id);
    if (!at) {
        m_reduction.Record(r);
        return;
    }
    TSurveyRecord moved = r;
    moved.HasCoordinates = true;
    moved.E = at->E;
    moved.N = at->N;
    moved.H = at->H;
    if (orientation) {
        moved.BacksightId.clear();
        moved.BacksightAzimuth = orientation->BacksightAzimuth;
        moved.BacksightCircle = orientation->BacksightCircle;
    }
    m_reduction.Record(moved);
    m_inJob.insert(r.Id);
}

// The first record that gives an adjusted station puts it among the points; later ones are
// left out, their heights kept for the shots after them.
void TReplay::stationPoint(const TSurveyRecord& r, const TTraverseStation& at) {
    if (!m_inJob.insert(at.Id).second) {
        keepHeights(r);
        return;
    }
    TSurveyRecord point = r;
    point.Kind = TRecordKind::Point;
    point.HasCoordinates = true;
    point.E = at.E;
    point.N = at.N;
    point.H = at.H;
    m_reduction.Record(point);
}

void TReplay::keepHeights(const TSurveyRecord& r) {
    if (!r.InstrumentHeight && !r.TargetHeight)
        return;
    TSurveyRecord heights;
    heights.Reset(TRecordKind::Heights, r.Line);
    heights.InstrumentHeight = r.InstrumentHeight;
    heights.TargetHeight = r.TargetHeight;
    m_reduction.Record(heights);
}

TInstrumentResult TReplay::Run() {
    for (const TLineMessage& m : m_log.Problems())
        m_reduction.Problem(m.Line, m.Message);
    for (const TLineMessage& m : m_log.Notes())
        m_reduction.Note(m.Line, m.Message);
    const std::vector<TSetup>& setups = m_log.Setups();
    size_t next = 0;
    std::optional<TOrientation> orientation;
    for (const TSurveyRecord& r : m_log.Records()) {
        const TTraverseStation* at = adjusted(r.Id);
        switch (r.Kind) {
        case TRecordKind::Station: {
            const TSetup& s = setups[next];
            orientation = adjusted(s.Station) ? orient(next, s) : std::nullopt;
            ++next;
            setup(r, orientation);
            break;
        }
        case TRecordKind::Backsight:
            if (orientation)
                keepHeights(r);
            else
                m_reduction.Record(r);
            break;
        case TRecordKind::Point:
            if (at && !at->Fixed)
                stationPoint(r, *at);
            else
                m_reduction.Record(r);
            break;
        case TRecordKind::Shot:
            if (at) {
                if (at->Fixed)
                    keepHeights(r);
                else
                    stationPoint(r, *at);
            } else if (orientation && r.HasCoordinates && r.Horizontal && r.DistanceKind != TDistanceKind::None) {
                // The instrument's coordinates came from the station before adjustment.
                TSurveyRecord shot = r;
                shot.HasCoordinates = false;
                m_reduction.Record(shot);
            } else {
                m_reduction.Record(r);
            }
            break;
        case TRecordKind::Heights:
            m_reduction.Record(r);
            break;
        }
    }
    m_reduction.Finish();
    TInstrumentResult result;
    result.Points = std::move(m_reduction.Points());
    result.Problems = std::move(m_reduction.Problems());
    result.Warnings = std::move(m_reduction.Warnings());
    result.Notes = std::move(m_reduction.Notes());
    return result;
}

} // namespace

TInstrumentResult AdjustedPoints(const TObservationLog& log, const TTraverseInput& input,
                                 const TTraverseResult& traverse) {
    return TReplay(log, input, traverse).Run();
}
