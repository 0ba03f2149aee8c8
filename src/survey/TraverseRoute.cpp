#include "survey/TraverseRoute.h"

#include "survey/Observations.h"

#include <set>

namespace {

std::string quoted(const std::string& id) { return "'" + id + "'"; }

double azimuth(const TGivenPoint& from, const TGivenPoint& to) { return GridAzimuth(from.E, from.N, to.E, to.N); }

std::optional<double> mean(const std::vector<double>& values) {
    if (values.empty())
        return std::nullopt;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    return sum / static_cast<double>(values.size());
}

class TRouteBuilder {
public:
    explicit TRouteBuilder(const TObservationLog& log) : m_log(log), m_setups(log.Setups()) {}
    TTraverseInput Build(std::vector<std::string> route);

private:
    struct TReference {
        std::string Id;
        double Azimuth = 0.0;
        double Direction = 0.0;
    };

    std::optional<double> direction(const TSetup& s, const std::string& target) const;
    bool observes(const TSetup& s, const std::string& target) const { return direction(s, target).has_value(); }
    std::optional<TReference> reference(const TSetup& s) const;
    std::vector<std::string> findRoute(std::vector<int>& chosen) const;
    int choose(size_t i, const std::vector<int>& chosen) const;
    void leg(size_t i, TTraverseInput& in) const;

    const TObservationLog& m_log;
    const std::vector<TSetup>& m_setups;
    std::vector<std::string> m_route;
    std::set<std::string> m_onRoute;
};

std::optional<double> TRouteBuilder::direction(const TSetup& s, const std::string& target) const {
    return SetupDirection(s, target, m_log);
}

// A direction of known azimuth from a set-up on a known station, off the route: the
// backsight the file names, else the first point with coordinates it observed.
std::optional<TRouteBuilder::TReference> TRouteBuilder::reference(const TSetup& s) const {
    const TGivenPoint* at = m_log.Given(s.Station, true);
    if (s.BacksightId.empty() && s.BacksightAzimuth)
        return TReference{"", *s.BacksightAzimuth, s.BacksightCircle.value_or(*s.BacksightAzimuth)};
    if (!s.BacksightId.empty() && !m_onRoute.count(s.BacksightId)) {
        std::optional<double> az = s.BacksightAzimuth;
        const TGivenPoint* to = m_log.Given(s.BacksightId);
        if (!az && at && to && (to->E != at->E || to->N != at->N))
            az = azimuth(*at, *to);
        const auto d = direction(s, s.BacksightId);
        if (az && d)
            return TReference{s.BacksightId, *az, *d};
    }
    if (!at)
        return std::nullopt;
    for (const TSighting& sighting : s.Sightings) {
        const TGivenPoint* to = m_log.Given(sighting.Target);
        if (!sighting.Direction || !to || m_onRoute.count(sighting.Target) || (to->E == at->E && to->N == at->N))
            continue;
        return TReference{sighting.Target, azimuth(*at, *to), *direction(s, sighting.Target)};
    }
    return std::nullopt;
}

// The longest run of linked set-ups; `chosen` gets their indices.
std::vector<std::string> TRouteBuilder::findRoute(std::vector<int>& chosen) const {
    size_t bestStart = 0, bestLength = 0;
    for (size_t start = 0; start < m_setups.size();) {
        size_t end = start + 1;
        while (end < m_setups.size()) {
            const TSetup& a = m_setups[end - 1];
            const TSetup& b = m_setups[end];
            if (a.Station.empty() || b.Station.empty() || a.Station == b.Station || !observes(a, b.Station) ||
                !observes(b, a.Station))
                break;
            ++end;
        }
        if (end - start > bestLength) {
            bestStart = start;
            bestLength = end - start;
        }
        start = end;
    }
    if (bestLength < 2)
        throw ETraverse("no traverse found: no set-up observes the next set-up's station and is observed back "
                        "from it (give the route)");
    std::vector<std::string> route;
    for (size_t i = bestStart; i < bestStart + bestLength; ++i) {
        route.push_back(m_setups[i].Station);
        chosen.push_back(static_cast<int>(i));
    }
    if (route.size() >= 3 && route.back() != route.front() && observes(m_setups[chosen.back()], route.front())) {
        route.push_back(route.front());
        chosen.push_back(-1);
    }
    return route;
}

// The set-up that measured the angle at station i: the route's own where it was found from
// the set-ups, else the first (at Pn the last) set-up there that saw both sides.
int TRouteBuilder::choose(size_t i, const std::vector<int>& chosen) const {
    if (i < chosen.size() && chosen[i] >= 0)
        return chosen[i];
    const size_t n = m_route.size() - 1;
    int seesBack = -1;
    for (size_t k = 0; k < m_setups.size(); ++k) {
        const TSetup& s = m_setups[k];
        if (s.Station != m_route[i])
            continue;
        if (i == 0 && observes(s, m_route[1]) && reference(s))
            return static_cast<int>(k);
        if (i > 0 && i < n && observes(s, m_route[i - 1]) && observes(s, m_route[i + 1]))
            return static_cast<int>(k);
        if (i == n && observes(s, m_route[n - 1]) && (seesBack < 0 || reference(s) || !reference(m_setups[seesBack])))
            seesBack = static_cast<int>(k);
    }
    if (i == n)
        return seesBack;
    if (i == 0)
        throw ETraverse("no set-up at " + quoted(m_route[0]) + " observes " + quoted(m_route[1]) +
                        " and a backsight of known azimuth");
    throw ETraverse("no set-up at " + quoted(m_route[i]) + " observes both " + quoted(m_route[i - 1]) + " and " +
                    quoted(m_route[i + 1]));
}

// Distance and rise of leg i, forward and back averaged.
void TRouteBuilder::leg(size_t i, TTraverseInput& in) const {
    const std::string& from = m_route[i];
    const std::string& to = m_route[i + 1];
    std::vector<double> forward, back, riseForward, riseBack;
    if (in.Setups[i] >= 0)
        for (const TSighting& s : m_setups[in.Setups[i]].Sightings)
            if (s.Target == to && s.Distance) {
                forward.push_back(*s.Distance);
                if (s.Rise)
                    riseForward.push_back(*s.Rise);
            }
    if (in.Setups[i + 1] >= 0)
        for (const TSighting& s : m_setups[in.Setups[i + 1]].Sightings)
            if (s.Target == from && s.Distance) {
                back.push_back(*s.Distance);
                if (s.Rise)
                    riseBack.push_back(-*s.Rise);
            }
    std::vector<double> distances, rises;
    for (const auto& d : {mean(forward), mean(back)})
        if (d)
            distances.push_back(*d);
    for (const auto& r : {mean(riseForward), mean(riseBack)})
        if (r)
            rises.push_back(*r);
    if (distances.empty())
        throw ETraverse("no distance measured between " + quoted(from) + " and " + quoted(to));
    in.Distances.push_back(*mean(distances));
    in.Rises.push_back(mean(rises));
}

TTraverseInput TRouteBuilder::Build(std::vector<std::string> route) {
    std::vector<int> chosen;
    m_route = route.empty() ? findRoute(chosen) : std::move(route);
    if (m_route.size() < 2)
        throw ETraverse("a traverse needs at least two stations");
    for (size_t i = 1; i < m_route.size(); ++i)
        if (m_route[i] == m_route[i - 1])
            throw ETraverse("station " + quoted(m_route[i]) + " follows itself in the route");
    m_onRoute = std::set<std::string>(m_route.begin(), m_route.end());
    const size_t n = m_route.size() - 1;
    TTraverseInput in;
    in.Stations = m_route;
    // A local traverse may start at a set-up at 0,0; none may close on one.
    const TGivenPoint* start = m_log.Given(m_route[0], true);
    if (!start)
        throw ETraverse("the first station " + quoted(m_route[0]) + " has no coordinates in the file");
    const TGivenPoint* end = m_route[n] == m_route[0] ? start : m_log.Given(m_route[n]);
    if (!end)
        throw ETraverse("the last station " + quoted(m_route[n]) +
                        " has no coordinates in the file: a traverse closes on a known station");
    in.Start = TFixedPoint{start->E, start->N, start->H};
    in.End = TFixedPoint{end->E, end->N, end->H};
    for (size_t i = 0; i <= n; ++i)
        in.Setups.push_back(choose(i, chosen));

    const TSetup& first = m_setups[in.Setups[0]];
    const auto startReference = reference(first);
    if (!startReference)
        throw ETraverse("the set-up at " + quoted(m_route[0]) + " has no backsight of known azimuth");
    in.StartReference = startReference->Id;
    in.StartAzimuth = startReference->Azimuth;
    const auto firstForesight = direction(first, m_route[1]);
    if (!firstForesight)
        throw ETraverse("the set-up at " + quoted(m_route[0]) + " does not observe " + quoted(m_route[1]));
    in.Angles.push_back(*firstForesight - startReference->Direction);
    for (size_t i = 1; i < n; ++i) {
        const TSetup& s = m_setups[in.Setups[i]];
        in.Angles.push_back(*direction(s, m_route[i + 1]) - *direction(s, m_route[i - 1]));
    }
    if (in.Setups[n] >= 0) {
        const TSetup& last = m_setups[in.Setups[n]];
        if (const auto endReference = reference(last)) {
            in.EndReference = endReference->Id;
            in.EndAzimuth = endReference->Azimuth;
            in.Angles.push_back(endReference->Direction - *direction(last, m_route[n - 1]));
        }
    }
    for (size_t i = 0; i < n; ++i)
        leg(i, in);
    return in;
}

} // namespace

TTraverseInput TraverseFromLog(const TObservationLog& log, const std::vector<std::string>& route) {
    return TRouteBuilder(log).Build(route);
}
