#include "model/Measure.h"

#include "model/NCADItem.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Binary rounding of millimetre values at coordinates of a few hundred kilometres: a gap
// typed as exactly 1 mm must count as 1 mm.
constexpr double kToleranceSlack = 1e-7;
// Metres: a corner closer than this to a side lies on it. Far below any survey precision,
// so only real crossings and touches are reported, never near misses.
constexpr double kOnLine = 1e-9;

double distance(const TPlanPoint& a, const TPlanPoint& b) { return std::hypot(b.X - a.X, b.Y - a.Y); }

bool sameCorner(const TPlanPoint& a, const TPlanPoint& b) {
    return distance(a, b) <= kClosingTolerance + kToleranceSlack;
}

// The corners of the closed figure, shifted so that the first lies at the origin (keeps the
// products below small at survey coordinates).
std::vector<TPlanPoint> cornersOf(const std::vector<TPlanPoint>& points) {
    std::vector<TPlanPoint> ring;
    const TPlanPoint origin = points.front();
    for (size_t i : CornerIndices(points))
        ring.push_back({points[i].X - origin.X, points[i].Y - origin.Y});
    return ring;
}

// All corners within tolerance of the line from the first corner to the farthest one.
bool onOneLine(const std::vector<TPlanPoint>& ring) {
    TPlanPoint far{};
    double reach = 0.0;
    for (const TPlanPoint& p : ring) {
        const double d = std::hypot(p.X, p.Y);
        if (d > reach) {
            reach = d;
            far = p;
        }
    }
    if (reach <= kClosingTolerance)
        return true;
    return std::all_of(ring.begin(), ring.end(), [&](const TPlanPoint& p) {
        return std::abs(far.X * p.Y - far.Y * p.X) / reach <= kClosingTolerance;
    });
}

double shoelaceArea(const std::vector<TPlanPoint>& ring) {
    double twice = 0.0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const TPlanPoint& a = ring[i];
        const TPlanPoint& b = ring[(i + 1) % ring.size()];
        twice += a.X * b.Y - b.X * a.Y;
    }
    return std::abs(twice) / 2.0;
}

struct Side {
    TPlanPoint a, b;
    double length = 0.0;
    double low = 0.0, high = 0.0; // X range
    size_t index = 0;
};

// -1, 0 or 1: p right of, on, or left of the line through the side.
int whichSide(const Side& s, const TPlanPoint& p) {
    const double o = (s.b.X - s.a.X) * (p.Y - s.a.Y) - (s.b.Y - s.a.Y) * (p.X - s.a.X);
    if (std::abs(o) <= kOnLine * s.length)
        return 0;
    return o > 0 ? 1 : -1;
}

// p, known to be on the side's line, lies between its ends.
bool within(const Side& s, const TPlanPoint& p) {
    return p.X >= std::min(s.a.X, s.b.X) - kOnLine && p.X <= std::max(s.a.X, s.b.X) + kOnLine &&
           p.Y >= std::min(s.a.Y, s.b.Y) - kOnLine && p.Y <= std::max(s.a.Y, s.b.Y) + kOnLine;
}

bool meet(const Side& s, const Side& t) {
    const int d1 = whichSide(s, t.a), d2 = whichSide(s, t.b);
    const int d3 = whichSide(t, s.a), d4 = whichSide(t, s.b);
    if (d1 * d2 < 0 && d3 * d4 < 0)
        return true;
    return (d1 == 0 && within(s, t.a)) || (d2 == 0 && within(s, t.b)) ||
           (d3 == 0 && within(t, s.a)) || (d4 == 0 && within(t, s.b));
}

// Neighbouring sides meet at their shared corner by design. One that runs back along the
// other ends on it, so the side after it touches that other one: the check of non-neighbours
// finds every fold (a triangle cannot fold without lying on one line).
bool collide(const Side& s, const Side& t, size_t count) {
    const size_t i = std::min(s.index, t.index), j = std::max(s.index, t.index);
    if (j == i + 1 || (i == 0 && j == count - 1))
        return false;
    return meet(s, t);
}

// Any two sides that cross or touch, other than neighbours at their shared corner. Sides
// are swept along the wider axis, so only those whose ranges overlap are compared.
bool crossesItself(std::vector<TPlanPoint> ring) {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    for (const TPlanPoint& p : ring) {
        minX = std::min(minX, p.X);
        maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y);
        maxY = std::max(maxY, p.Y);
    }
    if (maxY - minY > maxX - minX) // a mirror image crosses itself just as often
        for (TPlanPoint& p : ring)
            std::swap(p.X, p.Y);

    const size_t count = ring.size();
    std::vector<Side> sides(count);
    for (size_t i = 0; i < count; ++i) {
        Side& s = sides[i];
        s.a = ring[i];
        s.b = ring[(i + 1) % count];
        s.length = distance(s.a, s.b);
        s.low = std::min(s.a.X, s.b.X);
        s.high = std::max(s.a.X, s.b.X);
        s.index = i;
    }
    std::sort(sides.begin(), sides.end(), [](const Side& l, const Side& r) { return l.low < r.low; });
    std::vector<const Side*> open;
    for (const Side& s : sides) {
        std::erase_if(open, [&](const Side* t) { return t->high < s.low - kOnLine; });
        for (const Side* t : open)
            if (collide(*t, s, count))
                return true;
        open.push_back(&s);
    }
    return false;
}

} // namespace

// A corner shot twice in a row counts once, and a last point that is the first shot again
// is the implied closing side.
std::vector<size_t> CornerIndices(const std::vector<TPlanPoint>& points) {
    std::vector<size_t> ring;
    for (size_t i = 0; i < points.size(); ++i)
        if (ring.empty() || !sameCorner(points[ring.back()], points[i]))
            ring.push_back(i);
    while (ring.size() > 1 && sameCorner(points[ring.back()], points[ring.front()]))
        ring.pop_back();
    return ring;
}

TGroupMeasure MeasurePath(const std::vector<TPlanPoint>& points, bool markedClosed) {
    TGroupMeasure m;
    m.Points = static_cast<int>(points.size());
    for (size_t i = 1; i < points.size(); ++i)
        m.Length += distance(points[i - 1], points[i]);
    m.ClosesItself = points.size() >= 3 && sameCorner(points.front(), points.back());
    m.Closed = m.ClosesItself || markedClosed;
    const auto outOfRange = [&m] {
        m.OutOfRange = true;
        if (m.Closed)
            m.State = TAreaState::OutOfRange;
        return m;
    };
    if (!std::isfinite(m.Length)) {
        m.Perimeter = m.Length;
        return outOfRange();
    }
    if (!m.Closed)
        return m;

    m.State = TAreaState::Degenerate;
    if (points.empty())
        return m;
    m.Perimeter = m.Length + distance(points.back(), points.front());
    // Every corner lies within the perimeter of the first, so the products of the area
    // and of the crossing test stay below its square.
    if (!std::isfinite(m.Perimeter * m.Perimeter))
        return outOfRange();
    const std::vector<TPlanPoint> ring = cornersOf(points);
    if (ring.size() < 3 || onOneLine(ring))
        return m;
    if (crossesItself(ring)) {
        m.State = TAreaState::SelfCrossing;
        return m;
    }
    m.State = TAreaState::Valid;
    m.Area = shoelaceArea(ring);
    return m;
}

TGroupMeasure MeasureGroup(const TNCADItem& group, bool markedClosed) {
    std::vector<TPlanPoint> points;
    points.reserve(static_cast<size_t>(group.PointCount()));
    for (const auto& p : group.Points)
        points.push_back({p->X, p->Y});
    return MeasurePath(points, markedClosed);
}

bool ClosesItself(const TNCADItem& group) {
    const int n = group.PointCount();
    if (n < 3)
        return false;
    const TPoint3D* first = group.GetPoint(0);
    const TPoint3D* last = group.GetPoint(n - 1);
    return sameCorner({first->X, first->Y}, {last->X, last->Y});
}
