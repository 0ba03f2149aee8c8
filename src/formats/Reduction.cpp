#include "formats/Reduction.h"

#include "formats/Angles.h"
#include "formats/ShotGeometry.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace {

constexpr double kTwoPi = 2.0 * kPi;
constexpr double kSecondsPerRadian = 180.0 * 3600.0 / kPi;
// Metres: a known point closer to the station than this gives it no direction.
constexpr double kShortestLeg = 0.001;
// Metres: no survey reaches this far from its origin; such a coordinate is a fault of the
// data (or a number the instrument writes for "none"), however finite.
constexpr double kFarBeyondAnySurvey = 1e9;


// Summary notes (line 0) after the ones about a line.
void sortByLine(std::vector<TLineMessage>& messages) {
    std::stable_sort(messages.begin(), messages.end(), [](const TLineMessage& a, const TLineMessage& b) {
        return (a.Line == 0 ? INT_MAX : a.Line) < (b.Line == 0 ? INT_MAX : b.Line);
    });
}

// Into (-pi, pi].
double wrapped(double angle) {
    angle = std::remainder(angle, kTwoPi);
    return angle == -kPi ? kPi : angle;
}

// Locale-free fixed text; a value that rounds to zero has no minus sign.
std::string fixed(double value, int decimals, bool sign = false) {
    if (!std::isfinite(value))
        return "(out of range)";
    char buf[400]; // the widest double in fixed form is about 310 digits
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string text(buf, r.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    if (sign && text[0] != '-')
        text.insert(0, "+");
    return text;
}

// Degrees, minutes and whole seconds, 0 to 360: 183d02'05".
std::string degreesMinutesSeconds(double radians) {
    radians = std::fmod(radians, kTwoPi);
    if (radians < 0)
        radians += kTwoPi;
    long seconds = std::lround(radians * kSecondsPerRadian) % (360L * 3600);
    char buf[32];
    auto p = std::to_chars(buf, buf + 8, seconds / 3600).ptr;
    *p++ = 'd';
    const long minutes = seconds / 60 % 60;
    seconds %= 60;
    *p++ = static_cast<char>('0' + minutes / 10);
    *p++ = static_cast<char>('0' + minutes % 10);
    *p++ = '\'';
    *p++ = static_cast<char>('0' + seconds / 10);
    *p++ = static_cast<char>('0' + seconds % 10);
    *p++ = '"';
    return std::string(buf, p);
}

} // namespace

void TReduction::Problem(int line, TMessage reason) { m_problems.emplace_back(line, std::move(reason)); }

void TReduction::Note(int line, TMessage text) { m_notes.emplace_back(line, std::move(text)); }

void TReduction::LengthsInFeet(int line) {
    m_feet = true;
    TRecordSink::LengthsInFeet(line);
}

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
    closeSetup();
    if (!m_dropped.empty()) {
        std::sort(m_dropped.begin(), m_dropped.end());
        m_dropped.erase(std::unique(m_dropped.begin(), m_dropped.end()), m_dropped.end());
        for (size_t k = m_dropped.size(); k-- > 0;)
            m_points.erase(m_points.begin() + static_cast<long>(m_dropped[k]));
        m_index.clear();
        m_indexed = false;
    }
    noteSameIds();
    if (m_withoutDistance == 1)
        Note(0, Say("1 observation without a distance: not made into points"));
    else if (m_withoutDistance)
        Note(0, Say("%1 observations without a distance: not made into points", m_withoutDistance));
    if (m_toGivenPoints == 1)
        Note(0, Say("1 observation of points the file gives coordinates for: those coordinates kept"));
    else if (m_toGivenPoints)
        Note(0, Say("%1 observations of points the file gives coordinates for: those coordinates kept",
                    m_toGivenPoints));
    if (m_withoutVertical == 1)
        Note(0, Say("1 observation without a vertical angle: heights taken as level"));
    else if (m_withoutVertical)
        Note(0, Say("%1 observations without a vertical angle: heights taken as level", m_withoutVertical));
    sortByLine(m_problems);
    sortByLine(m_warnings);
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
        closeSetup();
        m_setup = TSetup{};
        m_setup.Active = true;
        m_setup.Line = waiting.front().Line;
        m_setupFirstPoint = m_points.size();
        Note(waiting.front().Line, Say("no station set-up: observations reduced from a local origin 0,0,0"));
    }
    for (const TSurveyRecord& r : waiting) {
        if (!origin && r.Kind == TRecordKind::Shot && !r.HasCoordinates) {
            Problem(r.Line, Say("observation before any station set-up"));
            continue;
        }
        process(r);
    }
}

void TReduction::station(const TSurveyRecord& r) {
    closeSetup();
    m_setup = TSetup{};
    m_setMeans.clear();
    m_setup.Active = true;
    m_setup.Id = r.Id;
    m_setup.Line = r.Line;
    m_setupFirstPoint = m_points.size();
    // A set-up the instrument was not told the place of is written at 0,0: on a traverse
    // that is a station computed before, and there it stands.
    const TSurveyPoint* before = SetupAtBareOrigin(r) && !r.Id.empty() ? find(r.Id) : nullptr;
    if (before && before->E == 0.0 && before->N == 0.0)
        before = nullptr; // there already: the file's own height stands
    if (before)
        Note(r.Line, Say("station '%1' at 0,0 in the file: placed where line %2 puts it", r.Id, before->Line));
    if (r.HasCoordinates && !before) {
        m_setup.E = r.E;
        m_setup.N = r.N;
        m_setup.H = r.H.value_or(0.0);
        m_setup.HasHeight = r.H.has_value();
        m_setup.Placed = true;
        // A station is a point of the job too, once.
        if (!r.Id.empty() && !find(r.Id)) {
            addPoint(r, m_setup.E, m_setup.N, m_setup.H, false, r.Code.empty() ? "STN" : r.Code);
            m_points.back().HasHeight = r.H.has_value();
        }
    } else if (const TSurveyPoint* p = before ? before : find(r.Id)) {
        m_setup.E = p->E;
        m_setup.N = p->N;
        m_setup.H = p->H;
        m_setup.HasHeight = p->HasHeight;
        m_setup.Placed = true;
    } else {
        Note(r.Line, Say("station '%1': no station coordinates: local origin 0,0,0", r.Id));
    }
    if (m_setup.Placed && !r.Id.empty())
        m_occupied.insert(r.Id);
    if (!r.BacksightId.empty() || r.BacksightAzimuth)
        backsight(r);
}

void TReduction::backsight(const TSurveyRecord& r) {
    if (!m_setup.Active) {
        Problem(r.Line, Say("backsight before any station set-up"));
        return;
    }
    double azimuth = 0.0;
    TMessage by;
    if (r.BacksightAzimuth) {
        azimuth = *r.BacksightAzimuth;
        by = Say("the backsight azimuth");
    } else if (!r.BacksightId.empty()) {
        const TSurveyPoint* p = find(r.BacksightId);
        if (!p) {
            // Said when the set-up ends, unless shots to known points orient it.
            m_setup.UnknownBacksightLine = r.Line;
            m_setup.UnknownBacksight = r.BacksightId;
            return;
        }
        const double de = p->E - m_setup.E, dn = p->N - m_setup.N;
        if (de == 0.0 && dn == 0.0) {
            Problem(r.Line, Say("backsight point '%1' is where the station is: circle readings taken as azimuths",
                                r.BacksightId));
            return;
        }
        azimuth = std::atan2(de, dn);
        by = Say("the backsight to '%1'", r.BacksightId);
    } else {
        return;
    }
    // Without a circle reading the circle was set to the azimuth on the instrument.
    m_setup.Orientation = r.BacksightCircle ? azimuth - *r.BacksightCircle : 0.0;
    m_setup.HasBacksightAzimuth = true;
    m_setup.BacksightAzimuth = azimuth;
    m_setup.OrientedBy = std::move(by);
    m_setup.UnknownBacksightLine = 0;
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
        p.HasHeight = r.H.has_value();
        if (!r.Code.empty())
            p.Code = r.Code;
        return;
    }
    addPoint(r, r.E, r.N, h, false, r.Code);
    m_points.back().HasHeight = r.H.has_value();
}

void TReduction::shot(const TSurveyRecord& r) {
    const bool measured = r.DistanceKind != TDistanceKind::None;
    if (measured && r.Distance < 0.0) {
        Problem(r.Line, Say("negative distance %1", fixed(r.Distance, 3)));
        return;
    }
    if (measured && r.Distance == 0.0 && r.HasCoordinates) {
        // Coordinates of a shot that measured nothing are the instrument's zeros, not a place.
        Note(r.Line, Say("zero distance to '%1': not made into a point", r.Id));
        return;
    }
    if (r.HasCoordinates) {
        givenPoint(r);
        return;
    }
    if (!m_setup.Active) {
        m_isWaiting = true;
        m_waiting.push_back(r);
        return;
    }
    if (r.HorizontalKind == THorizontalKind::Circle && r.Horizontal)
        m_setup.ReadsCircle = true;
    bool firm = false;
    const long target = knownPoint(r.Id, firm);
    if (target < 0) {
        observedPoint(r);
        return;
    }
    if (firm && !m_setup.Placed) {
        ++m_toGivenPoints;
        return;
    }
    TCheck check{r.Line, r.Id, static_cast<size_t>(target), firm, polar(r), {}, -1};
    if (check.Polar.Vertical && m_setup.HasHeight)
        check.Height = m_setup.H + m_instrumentHeight + *check.Polar.Vertical - m_targetHeight;
    // A point computed before is measured again: compared, and a point again unless it
    // turns out to be what orients the set-up.
    if (!firm && !r.MeasuresBacksight)
        check.Made = observedPoint(r);
    m_checks.push_back(std::move(check));
}

// The point a shot to an unknown target gives: its index, or -1 when it gives none.
long TReduction::observedPoint(const TSurveyRecord& r) {
    if (r.MeasuresBacksight)
        return -1;
    if (r.DistanceKind == TDistanceKind::None) {
        ++m_withoutDistance;
        return -1;
    }
    if (r.Distance == 0.0) {
        Note(r.Line, Say("zero distance to '%1': not made into a point", r.Id));
        return -1;
    }
    double e = 0.0, n = 0.0, h = 0.0;
    if (!reduce(r, e, n, h))
        return -1;
    if (r.InAngleSet)
        angleSet(r, e, n, h);
    else
        addPoint(r, e, n, h, true, r.Code);
    const size_t index = r.InAngleSet ? m_setMeans[r.Id].Index : m_points.size() - 1;
    if (r.HorizontalKind == THorizontalKind::Circle)
        m_circlePoints.push_back(index);
    return static_cast<long>(index);
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

TReduction::TPolar TReduction::polar(const TSurveyRecord& r) const {
    TPolar p;
    TShotGeometry g;
    std::string problem; // said by reduce() when the shot is made into a point
    const bool split = SplitShot(r, g, problem);
    if (r.Horizontal) {
        double azimuth = *r.Horizontal;
        switch (r.HorizontalKind) {
        case THorizontalKind::Circle:
            azimuth += m_setup.Orientation;
            p.FromCircle = true;
            break;
        case THorizontalKind::Azimuth:
            break;
        case THorizontalKind::DeflectionRight:
            p.NeedsBacksight = !m_setup.HasBacksightAzimuth;
            azimuth += m_setup.BacksightAzimuth + kPi;
            break;
        }
        if (!p.NeedsBacksight)
            p.Azimuth = g.FaceTwo ? azimuth + kPi : azimuth;
    }
    // A distance of zero is one that was not measured.
    if (!split || r.DistanceKind == TDistanceKind::None || r.Distance == 0.0)
        return p;
    p.Horizontal = g.Horizontal;
    if (g.HasVertical)
        p.Vertical = g.Vertical;
    return p;
}

bool TReduction::reduce(const TSurveyRecord& r, double& e, double& n, double& h) {
    const TPolar p = polar(r);
    if (!r.Horizontal) {
        Problem(r.Line, Say("observation without a horizontal angle"));
        return false;
    }
    if (p.NeedsBacksight) {
        Problem(r.Line, Say("deflection angle without a backsight azimuth"));
        return false;
    }
    if (!p.Horizontal) {
        Problem(r.Line, Say("slope distance without a vertical angle"));
        return false;
    }
    if (!p.Vertical)
        ++m_withoutVertical;
    e = m_setup.E + *p.Horizontal * std::sin(*p.Azimuth);
    n = m_setup.N + *p.Horizontal * std::cos(*p.Azimuth);
    h = m_setup.H + m_instrumentHeight + p.Vertical.value_or(0.0) - m_targetHeight;
    // Numbers near the double's limit add up to inf, which no point file can hold.
    if (!std::isfinite(e) || !std::isfinite(n) || !std::isfinite(h)) {
        Problem(r.Line, Say("coordinates out of range"));
        return false;
    }
    return true;
}

void TReduction::addPoint(const TSurveyRecord& r, double e, double n, double h, bool computed,
                      const std::string& code) {
    m_points.push_back(TSurveyPoint{r.Id, code, e, n, h, r.Line, computed, true});
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

long TReduction::knownPoint(const std::string& id, bool& firm) {
    const TSurveyPoint* p = find(id);
    if (!p)
        return -1;
    const long index = static_cast<long>(p - m_points.data());
    firm = !p->Computed || m_occupied.count(id);
    // A set-up the file does not orient may also take its direction from points computed
    // before it: the previous station of a traverse whose set-ups have no names.
    const bool earlier = static_cast<size_t>(index) < m_setupFirstPoint && m_setup.OrientedBy.Empty() && m_setup.Placed;
    return firm || earlier ? index : -1;
}

TMessage TReduction::setupName() const {
    return m_setup.Id.empty() ? Say("set-up of line %1", m_setup.Line) : Say("station '%1'", m_setup.Id);
}

// The circular mean of (azimuth to the known point - circle direction) over the set-up's
// checks that read the circle.
bool TReduction::deriveOrientation(double& orientation, int& shots, bool& firm) const {
    double sine = 0.0, cosine = 0.0;
    shots = 0;
    // Points the file gives or stations occupied before; computed points only without them.
    firm = std::any_of(m_checks.begin(), m_checks.end(), [](const TCheck& k) {
        return k.Firm && k.Polar.FromCircle && k.Polar.Azimuth;
    });
    for (const TCheck& k : m_checks) {
        if (!k.Polar.FromCircle || !k.Polar.Azimuth || k.Firm != firm)
            continue;
        const TSurveyPoint& p = m_points[k.Target];
        const double de = p.E - m_setup.E, dn = p.N - m_setup.N;
        if (std::hypot(de, dn) < kShortestLeg)
            continue;
        const double w = std::atan2(de, dn) - (*k.Polar.Azimuth - m_setup.Orientation);
        sine += std::sin(w);
        cosine += std::cos(w);
        ++shots;
    }
    if (shots == 0)
        return false;
    orientation = std::atan2(sine, cosine);
    return true;
}

// Turns the set-up's points from circle readings clockwise by `angle` about the station.
void TReduction::turnPoints(double angle) {
    const double s = std::sin(angle), c = std::cos(angle);
    std::sort(m_circlePoints.begin(), m_circlePoints.end());
    m_circlePoints.erase(std::unique(m_circlePoints.begin(), m_circlePoints.end()), m_circlePoints.end());
    for (size_t i : m_circlePoints) {
        TSurveyPoint& p = m_points[i];
        if (!p.Computed) // the instrument's own coordinates replaced it
            continue;
        const double de = p.E - m_setup.E, dn = p.N - m_setup.N;
        const double e = m_setup.E + de * c + dn * s, n = m_setup.N + dn * c - de * s;
        if (!std::isfinite(e) || !std::isfinite(n)) {
            Problem(p.Line, Say("coordinates out of range"));
            m_dropped.push_back(i);
            continue;
        }
        p.E = e;
        p.N = n;
    }
}

void TReduction::closeSetup() {
    if (!m_setup.Active)
        return;
    double orientation = 0.0;
    int shots = 0;
    bool firm = true;
    if (m_setup.OrientedBy.Empty() && m_setup.Placed && deriveOrientation(orientation, shots, firm)) {
        turnPoints(orientation - m_setup.Orientation);
        for (TCheck& k : m_checks) {
            if (k.Polar.FromCircle && k.Polar.Azimuth)
                *k.Polar.Azimuth += orientation - m_setup.Orientation;
            // Oriented by points computed before: those shots were backsights, not points.
            if (!firm && k.Made >= 0)
                m_dropped.push_back(static_cast<size_t>(k.Made));
        }
        m_setup.Orientation = orientation;
        const std::string angle = degreesMinutesSeconds(orientation);
        Note(m_setup.Line, shots == 1 ? Say("%1: orientation %2 from the mean of 1 shot to known points",
                                            setupName(), angle)
                                      : Say("%1: orientation %2 from the mean of %3 shots to known points",
                                            setupName(), angle, shots));
    } else if (!m_setup.OrientedBy.Empty()) {
        if (m_setup.ReadsCircle || !m_checks.empty())
            Note(m_setup.Line, Say("%1: orientation %2 from %3", setupName(),
                                   degreesMinutesSeconds(m_setup.Orientation), m_setup.OrientedBy));
    } else if (m_setup.UnknownBacksightLine) {
        Problem(m_setup.UnknownBacksightLine,
                Say("backsight to unknown point '%1': circle readings taken as azimuths", m_setup.UnknownBacksight));
    } else if (m_setup.ReadsCircle && m_setup.Placed) { // a local origin has no north to miss
        Note(m_setup.Line,
             Say("%1: no backsight and no shot to a known point: circle readings taken as azimuths", setupName()));
    }
    for (const TCheck& k : m_checks)
        compare(k);
    m_checks.clear();
    m_circlePoints.clear();
    m_setup.Active = false;
}

// "check on 5: dHD +0.004 m, dH -0.002 m, dHz +12"": measured less known.
void TReduction::compare(const TCheck& k) {
    const TSurveyPoint& p = m_points[k.Target];
    const double de = p.E - m_setup.E, dn = p.N - m_setup.N;
    const double known = std::hypot(de, dn);
    const std::string unit = m_feet ? " ft" : " m";
    const double tolerance = m_feet ? kCheckTolerance / 0.3048 : kCheckTolerance;
    // The differences are the surveyor's own shorthand, the same in every language.
    std::string text;
    double planMiss = -1.0, heightMiss = -1.0;
    if (k.Polar.Horizontal) {
        text += " dHD " + fixed(*k.Polar.Horizontal - known, 3, true) + unit + ",";
        if (k.Polar.Azimuth) {
            const double e = m_setup.E + *k.Polar.Horizontal * std::sin(*k.Polar.Azimuth);
            const double n = m_setup.N + *k.Polar.Horizontal * std::cos(*k.Polar.Azimuth);
            planMiss = std::hypot(e - p.E, n - p.N);
        }
    }
    if (k.Height && p.HasHeight) {
        text += " dH " + fixed(*k.Height - p.H, 3, true) + unit + ",";
        heightMiss = std::abs(*k.Height - p.H);
    }
    if (k.Polar.Azimuth && known >= kShortestLeg) {
        const double dHz = wrapped(*k.Polar.Azimuth - std::atan2(de, dn));
        text += " dHz " + fixed(dHz * kSecondsPerRadian, 0, true) + "\",";
        if (planMiss < 0.0) // a direction alone: how far off the side the point lies
            planMiss = std::abs(known * std::sin(dHz));
    }
    TMessage check = text.empty() ? Say("check on %1: nothing to compare", k.Id)
                                  : Say("check on %1: %2", k.Id, text.substr(1, text.size() - 2));
    const bool offPlan = planMiss > tolerance, offHeight = heightMiss > tolerance;
    if (!offPlan && !offHeight) {
        Note(k.Line, std::move(check));
        return;
    }
    const std::string plan = fixed(planMiss, 3) + unit, height = fixed(heightMiss, 3) + unit;
    TMessage miss = !offHeight ? Say("%1 in plan", plan)
                    : offPlan  ? Say("%1 in plan and %2 in height", plan, height)
                               : Say("%1 in height", height);
    m_warnings.emplace_back(k.Line, Say("%1: misses it by %2 (more than %3 m)", std::move(check), std::move(miss),
                                        fixed(kCheckTolerance, 2)));
}

// An id at two places is a fault somewhere in the data: each later position farther than
// the tolerance from the first one is said. So is a coordinate no survey can have.
void TReduction::noteSameIds() {
    // First point of each id, in an open-addressing table of indices + 1: a node per point
    // would cost more than the whole reading of a big coordinate file.
    const size_t capacity = std::bit_ceil(2 * m_points.size() + 2);
    std::vector<uint32_t> first(capacity, 0);
    const std::hash<std::string_view> hash;
    for (size_t i = 0; i < m_points.size(); ++i) {
        const TSurveyPoint& p = m_points[i];
        if (std::abs(p.E) >= kFarBeyondAnySurvey || std::abs(p.N) >= kFarBeyondAnySurvey ||
            std::abs(p.H) >= kFarBeyondAnySurvey)
            m_warnings.emplace_back(p.Line, Say("'%1': coordinates beyond any survey (%2 km or more from 0)", p.Id,
                                                fixed(kFarBeyondAnySurvey / 1000, 0)));
        if (p.Id.empty())
            continue;
        size_t slot = hash(p.Id) & (capacity - 1);
        while (first[slot] && m_points[first[slot] - 1].Id != p.Id)
            slot = (slot + 1) & (capacity - 1);
        if (!first[slot]) {
            first[slot] = static_cast<uint32_t>(i + 1);
            continue;
        }
        const TSurveyPoint& q = m_points[first[slot] - 1];
        const double dz = p.HasHeight && q.HasHeight ? p.H - q.H : 0.0;
        const double d = std::hypot(p.E - q.E, p.N - q.N, dz);
        if (d > kSameIdTolerance)
            Note(p.Line, Say("'%1' comes out %2 m from where line %3 puts it", p.Id, fixed(d, 3), q.Line));
    }
}
