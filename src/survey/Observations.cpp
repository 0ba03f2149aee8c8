#include "survey/Observations.h"

#include "formats/Angles.h"
#include "formats/InstrumentData.h"
#include "formats/ShotGeometry.h"

#include <cmath>

namespace {

// The circle reading of a shot in the set-up's circle, whatever kind of horizontal angle
// the file records.
std::optional<double> circleReading(const TSurveyRecord& r, const TSetup& setup) {
    if (!r.Horizontal)
        return std::nullopt;
    switch (r.HorizontalKind) {
    case THorizontalKind::Circle:
        return *r.Horizontal;
    case THorizontalKind::Azimuth:
        // An azimuth is the reading of a circle turned by the backsight's azimuth less its
        // reading; without both the circle was set to azimuths.
        if (setup.BacksightAzimuth && setup.BacksightCircle)
            return *r.Horizontal - (*setup.BacksightAzimuth - *setup.BacksightCircle);
        return *r.Horizontal;
    case THorizontalKind::DeflectionRight:
        // From the prolongation of the line to the backsight.
        return *r.Horizontal + kPi + setup.BacksightCircle.value_or(setup.BacksightAzimuth.value_or(0.0));
    }
    return std::nullopt;
}

double wrapTurn(double a) {
    a = std::fmod(a, 2 * kPi);
    return a < 0 ? a + 2 * kPi : a;
}

} // namespace

void TObservationLog::Record(const TSurveyRecord& record) { m_records.push_back(record); }

void TObservationLog::Problem(int line, TMessage reason) { m_problems.emplace_back(line, std::move(reason)); }

void TObservationLog::Note(int line, TMessage text) { m_notes.emplace_back(line, std::move(text)); }

void TObservationLog::Finish(std::string_view bytes) {
    TTextDecoder toUtf8(bytes);
    for (TSurveyRecord& r : m_records) {
        toUtf8(r.Id);
        toUtf8(r.Code);
        toUtf8(r.BacksightId);
    }
    for (TLineMessage& m : m_problems)
        m.DecodeTexts(toUtf8);
    for (TLineMessage& m : m_notes)
        m.DecodeTexts(toUtf8);
    collect();
}

const TGivenPoint* TObservationLog::Given(const std::string& id, bool setupAtOrigin) const {
    const auto it = m_given.find(id);
    if (it == m_given.end() || (it->second.SetupAtOrigin && !setupAtOrigin))
        return nullptr;
    return &it->second;
}

// Heights carry on from record to record until changed, as the reduction carries them.
void TObservationLog::collect() {
    double instrumentHeight = 0.0, targetHeight = 0.0;
    TSetup* setup = nullptr;
    for (const TSurveyRecord& r : m_records) {
        if (r.TargetHeight)
            targetHeight = *r.TargetHeight;
        if (r.InstrumentHeight)
            instrumentHeight = *r.InstrumentHeight;
        if (r.HasCoordinates && r.Kind != TRecordKind::Shot && !r.Id.empty()) {
            const bool origin = SetupAtBareOrigin(r);
            // A set-up that only says 0,0 does not unplace a point given before.
            if (!origin || !m_given.count(r.Id))
                m_given[r.Id] = TGivenPoint{r.E, r.N, r.H, origin};
        }
        if (r.Kind == TRecordKind::Station) {
            setup = &m_setups.emplace_back();
            setup->Station = r.Id;
            setup->Line = r.Line;
        }
        if (!setup)
            continue;
        if ((r.Kind == TRecordKind::Station || r.Kind == TRecordKind::Backsight) &&
            (!r.BacksightId.empty() || r.BacksightAzimuth)) {
            setup->BacksightId = r.BacksightId;
            setup->BacksightAzimuth = r.BacksightAzimuth;
            setup->BacksightCircle = r.BacksightCircle;
        }
        if (r.Kind != TRecordKind::Shot || (!r.Horizontal && r.DistanceKind == TDistanceKind::None))
            continue;
        TShotGeometry g;
        std::string problem;
        if (!SplitShot(r, g, problem))
            continue; // the reduction reports it
        TSighting& s = setup->Sightings.emplace_back();
        s.Target = r.Id;
        s.Code = r.Code;
        s.Line = r.Line;
        s.FaceTwo = g.FaceTwo;
        if (const auto reading = circleReading(r, *setup))
            s.Direction = wrapTurn(*reading + (g.FaceTwo ? kPi : 0.0));
        if (r.DistanceKind != TDistanceKind::None && r.Distance != 0.0) {
            s.Distance = g.Horizontal;
            if (g.HasVertical)
                s.Rise = instrumentHeight + g.Vertical - targetHeight;
        }
    }
}

std::optional<double> SetupDirection(const TSetup& s, const std::string& target, const TObservationLog& log) {
    std::vector<double> directions;
    for (const TSighting& sighting : s.Sightings)
        if (sighting.Target == target && sighting.Direction)
            directions.push_back(*sighting.Direction);
    if (!directions.empty())
        return MeanDirection(directions);
    if (target.empty() || s.BacksightId != target)
        return std::nullopt;
    if (s.BacksightCircle)
        return s.BacksightCircle;
    // Without a reading the circle was set to the backsight's azimuth.
    if (s.BacksightAzimuth)
        return s.BacksightAzimuth;
    const TGivenPoint* from = log.Given(s.Station, true);
    const TGivenPoint* to = log.Given(target);
    if (from && to)
        return GridAzimuth(from->E, from->N, to->E, to->N);
    return std::nullopt;
}

double MeanDirection(const std::vector<double>& directions) {
    double sum = 0.0;
    for (double d : directions)
        sum += std::remainder(d - directions.front(), 2 * kPi);
    return directions.front() + sum / static_cast<double>(directions.size());
}

double GridAzimuth(double fromE, double fromN, double toE, double toN) { return std::atan2(toE - fromE, toN - fromN); }

TObservationLog ReadObservations(std::string_view bytes, const TFormatChoice& choice) {
    TObservationLog log;
    ReadInstrumentRecords(bytes, choice, log);
    log.Finish(bytes);
    return log;
}
