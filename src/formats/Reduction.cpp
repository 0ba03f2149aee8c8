#include "formats/Reduction.h"

#include "formats/Angles.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr double kTwoPi = 2.0 * kPi;

std::string quoted(const std::string& id) { return "'" + id + "'"; }

std::string observations(int n) {
    return std::to_string(n) + (n == 1 ? " observation" : " observations");
}

// Summary notes (line 0) after the ones about a line.
void sortByLine(std::vector<TLineMessage>& messages) {
    std::stable_sort(messages.begin(), messages.end(), [](const TLineMessage& a, const TLineMessage& b) {
        return (a.Line == 0 ? INT_MAX : a.Line) < (b.Line == 0 ? INT_MAX : b.Line);
    });
}

} // namespace

void TReduction::Problem(int line, std::string reason) { m_problems.push_back({line, std::move(reason)}); }

void TReduction::Note(int line, std::string text) { m_notes.push_back({line, std::move(text)}); }

void TReduction::Record(const TSurveyRecord& record) {
    if (m_isWaiting) {
        if (record.Kind != TRecordKind::Station) {
            m_waiting.push_back(record);
            return;
        }
        releaseWaiting(false);
    }
    process(record);
}

void TReduction::Finish() {
    if (m_isWaiting)
        releaseWaiting(true);
    if (m_withoutDistance)
        Note(0, observations(m_withoutDistance) + " without a distance: not made into points");
    if (m_toGivenPoints)
        Note(0, observations(m_toGivenPoints) + " of points the file gives coordinates for: those coordinates kept");
    if (m_withoutVertical)
        Note(0, observations(m_withoutVertical) + " without a vertical angle: heights taken as level");
    sortByLine(m_problems);
    sortByLine(m_notes);
}

void TReduction::process(const TSurveyRecord& r) {
    if (r.TargetHeight)
        m_targetHeight = *r.TargetHeight;
    if (r.InstrumentHeight)
        m_instrumentHeight = *r.InstrumentHeight;
    switch (r.Kind) {
    case TRecordKind::Point:
        givenPoint(r);
        break;
    case TRecordKind::Station:
        station(r);
        break;
    case TRecordKind::Backsight:
        backsight(r);
        break;
    case TRecordKind::Heights:
        break;
    case TRecordKind::Shot:
        shot(r);
        break;
    }
}

void TReduction::releaseWaiting(bool origin) {
    std::vector<TSurveyRecord> waiting;
    waiting.swap(m_waiting);
    m_isWaiting = false;
    if (origin) {
        m_setup = TSetup{};
        m_setup.Active = true;
        Note(waiting.front().Line, "no station set-up: observations reduced from a local origin 0,0,0");
    }
    for (const TSurveyRecord& r : waiting) {
        if (!origin && r.Kind == TRecordKind::Shot && !r.HasCoordinates) {
            Problem(r.Line, "observation before any station set-up");
            continue;
        }
        process(r);
    }
}

void TReduction::station(const TSurveyRecord& r) {
    m_setup = TSetup{};
    m_setMeans.clear();
    m_setup.Active = true;
    m_setup.Id = r.Id;
    if (r.HasCoordinates) {
        m_setup.E = r.E;
        m_setup.N = r.N;
        m_setup.H = r.H.value_or(0.0);
        // A station is a point of the job too, once.
        if (!r.Id.empty() && !find(r.Id))
            addPoint(r, m_setup.E, m_setup.N, m_setup.H, false, r.Code.empty() ? "STN" : r.Code);
    } else if (const TSurveyPoint* p = find(r.Id)) {
        m_setup.E = p->E;
        m_setup.N = p->N;
        m_setup.H = p->H;
    } else {
        Note(r.Line, "station " + quoted(r.Id) + ": no station coordinates: local origin 0,0,0");
    }
    if (!r.BacksightId.empty() || r.BacksightAzimuth)
        backsight(r);
}

void TReduction::backsight(const TSurveyRecord& r) {
    if (!m_setup.Active) {
        Problem(r.Line, "backsight before any station set-up");
        return;
    }
    double azimuth = 0.0;
    if (r.BacksightAzimuth) {
        azimuth = *r.BacksightAzimuth;
    } else if (!r.BacksightId.empty()) {
        const TSurveyPoint* p = find(r.BacksightId);
        if (!p) {
            Problem(r.Line, "backsight to unknown point " + quoted(r.BacksightId) + ": circle readings taken as azimuths");
            return;
        }
        const double de = p->E - m_setup.E, dn = p->N - m_setup.N;
        if (de == 0.0 && dn == 0.0) {
            Problem(r.Line, "backsight point " + quoted(r.BacksightId) +
                                " is where the station is: circle readings taken as azimuths");
            return;
        }
        azimuth = std::atan2(de, dn);
    } else {
        return;
    }
    // Without a circle reading the circle was set to the azimuth on the instrument.
    m_setup.Orientation = r.BacksightCircle ? azimuth - *r.BacksightCircle : 0.0;
    m_setup.HasBacksightAzimuth = true;
    m_setup.BacksightAzimuth = azimuth;
}

void TReduction::givenPoint(const TSurveyRecord& r) {
    const double h = r.H.value_or(0.0);
    // The instrument's own coordinates for the point it has just observed win over ours.
    if (!m_points.empty() && m_points.back().Computed && m_points.back().Id == r.Id) {
        TSurveyPoint& p = m_points.back();
        p.E = r.E;
        p.N = r.N;
        p.H = h;
        p.Computed = false;
        if (!r.Code.empty())
            p.Code = r.Code;
        return;
    }
    addPoint(r, r.E, r.N, h, false, r.Code);
}

void TReduction::shot(const TSurveyRecord& r) {
    if (r.HasCoordinates) {
        givenPoint(r);
        return;
    }
    if (!m_setup.Active) {
        m_isWaiting = true;
        m_waiting.push_back(r);
        return;
    }
    if (r.DistanceKind == TDistanceKind::None || r.Distance == 0.0) {
        ++m_withoutDistance;
        return;
    }
    if (const TSurveyPoint* p = find(r.Id); p && !p->Computed) {
        ++m_toGivenPoints;
        return;
    }
    double e = 0.0, n = 0.0, h = 0.0;
    if (!reduce(r, e, n, h))
        return;
    if (r.InAngleSet)
        angleSet(r, e, n, h);
    else
        addPoint(r, e, n, h, true, r.Code);
}

void TReduction::angleSet(const TSurveyRecord& r, double e, double n, double h) {
    const auto it = m_setMeans.find(r.Id);
    if (it == m_setMeans.end() || m_points[it->second.Index].Id != r.Id) {
        addPoint(r, e, n, h, true, r.Code);
        m_setMeans[r.Id] = TSetMean{m_points.size() - 1, 1};
        return;
    }
    TSurveyPoint& p = m_points[it->second.Index];
    // The running mean, in a form that cannot overflow between two finite values.
    const double k = ++it->second.Count;
    p.E += e / k - p.E / k;
    p.N += n / k - p.N / k;
    p.H += h / k - p.H / k;
}

bool TReduction::reduce(const TSurveyRecord& r, double& e, double& n, double& h) {
    if (!r.Horizontal) {
        Problem(r.Line, "observation without a horizontal angle");
        return false;
    }
    double azimuth = *r.Horizontal;
    switch (r.HorizontalKind) {
    case THorizontalKind::Circle:
        azimuth += m_setup.Orientation;
        break;
    case THorizontalKind::Azimuth:
        break;
    case THorizontalKind::DeflectionRight:
        if (!m_setup.HasBacksightAzimuth) {
            Problem(r.Line, "deflection angle without a backsight azimuth");
            return false;
        }
        azimuth += m_setup.BacksightAzimuth + kPi;
        break;
    }
    double zenith = 0.0;
    if (r.Zenith) {
        zenith = std::fmod(*r.Zenith, kTwoPi);
        if (zenith < 0.0)
            zenith += kTwoPi;
        // Face two: past 180 degrees the telescope is turned over, the circle half a turn off.
        if (zenith > kPi) {
            zenith = kTwoPi - zenith;
            azimuth += kPi;
        }
    }
    double horizontal = 0.0, vertical = 0.0;
    if (r.DistanceKind == TDistanceKind::Slope) {
        if (r.Zenith) {
            horizontal = r.Distance * std::sin(zenith);
            vertical = r.Distance * std::cos(zenith);
        } else if (r.HeightDifference) {
            vertical = *r.HeightDifference;
            horizontal = std::sqrt(std::max(0.0, r.Distance * r.Distance - vertical * vertical));
        } else {
            Problem(r.Line, "slope distance without a vertical angle");
            return false;
        }
    } else {
        horizontal = r.Distance;
        if (r.HeightDifference) {
            vertical = *r.HeightDifference;
        } else if (r.Zenith && std::sin(zenith) != 0.0) {
            vertical = horizontal * std::cos(zenith) / std::sin(zenith);
        } else {
            ++m_withoutVertical;
        }
    }
    e = m_setup.E + horizontal * std::sin(azimuth);
    n = m_setup.N + horizontal * std::cos(azimuth);
    h = m_setup.H + m_instrumentHeight + vertical - m_targetHeight;
    // Numbers near the double's limit add up to inf, which no point file can hold.
    if (!std::isfinite(e) || !std::isfinite(n) || !std::isfinite(h)) {
        Problem(r.Line, "coordinates out of range");
        return false;
    }
    return true;
}

void TReduction::addPoint(const TSurveyRecord& r, double e, double n, double h, bool computed,
                      const std::string& code) {
    m_points.push_back(TSurveyPoint{r.Id, code, e, n, h, r.Line, computed});
    if (m_indexed)
        m_index[r.Id] = m_points.size() - 1;
}

const TSurveyPoint* TReduction::find(const std::string& id) {
    if (!m_indexed) {
        m_index.reserve(m_points.size() + 1024);
        for (size_t i = 0; i < m_points.size(); ++i)
            m_index[m_points[i].Id] = i;
        m_indexed = true;
    }
    const auto it = m_index.find(id);
    return it == m_index.end() ? nullptr : &m_points[it->second];
}
