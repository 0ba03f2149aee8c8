#include "view/PlanIndex.h"

#include "model/NCADProject.h"
#include "view/PointSymbol.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace {

// About this many points to a cell; fewer cells than that would not pay for their table.
constexpr double kPointsPerCell = 4;
constexpr int kMaxCellsPerSide = 4096;
// A segment over more cells than this goes to the list every query takes.
constexpr int kMaxSegmentCells = 16;
constexpr std::size_t kSampleSize = 4096;

// Ascending. Long lists (a band of a picture of millions of points) by radix, in as few
// passes of at most 12 bits as the largest number needs: several times faster than a
// comparison sort there, and few enough buckets to stay in the cache.
void sortNumbers(std::vector<std::uint32_t>& v) {
    if (v.size() < (1u << 16)) {
        std::sort(v.begin(), v.end());
        return;
    }
    const int bits = std::max(1, static_cast<int>(std::bit_width(*std::max_element(v.begin(), v.end()))));
    const int passes = (bits + 11) / 12, digit = (bits + passes - 1) / passes;
    const std::uint32_t mask = (1u << digit) - 1;
    std::vector<std::uint32_t> other(v.size());
    std::vector<std::uint32_t> count(std::size_t{1} << digit);
    for (int pass = 0, shift = 0; pass < passes; ++pass, shift += digit) {
        std::fill(count.begin(), count.end(), 0);
        for (const std::uint32_t x : v)
            ++count[(x >> shift) & mask];
        std::uint32_t at = 0;
        for (std::uint32_t& c : count)
            at += std::exchange(c, at);
        for (const std::uint32_t x : v)
            other[count[(x >> shift) & mask]++] = x;
        v.swap(other);
    }
}

} // namespace

void TPlanIndex::Finish(std::size_t points, std::size_t groups, bool changed) {
    if (points != m_x.size() || groups != m_groups.size()) {
        m_x.resize(points);
        m_y.resize(points);
        m_points.resize(points);
        m_groups.resize(groups);
        changed = true;
    }
    if (changed || !m_built)
        StartGrid();
    if (!m_deferGrid)
        BuildGrid(); // also one left half built by steps
}

std::size_t TPlanIndex::MaxHeightChars() const {
    THeightText text;
    return std::max(text(-m_maxAbsZ).size(), m_oddZ ? std::size_t{4} : std::size_t{0});
}

void TPlanIndex::BuildGrid() {
    while (!StepGrid(std::numeric_limits<std::size_t>::max())) {
    }
}

void TPlanIndex::StartGrid() {
    m_built = true;
    m_pointStart.clear();
    m_pointCells.clear();
    m_segStart.clear();
    m_segCells.clear();
    m_longSegs.clear();
    m_build = {};
    m_nx = m_ny = 0;
    // The grid spans the bulk of the job (a sample's 1st to 99th percentile), so that one
    // mistyped far point does not put everything else in a single cell.
    std::vector<double> sx, sy;
    const std::size_t step = std::max<std::size_t>(1, m_x.size() / kSampleSize);
    std::size_t finite = 0;
    for (std::size_t i = 0; i < m_x.size(); ++i)
        finite += std::isfinite(m_x[i]) && std::isfinite(m_y[i]);
    for (std::size_t i = 0; i < m_x.size(); i += step)
        if (std::isfinite(m_x[i]) && std::isfinite(m_y[i]))
            sx.push_back(m_x[i]), sy.push_back(m_y[i]);
    if (sx.empty()) {
        m_build.Phase = kGridDone;
        return;
    }
    std::sort(sx.begin(), sx.end());
    std::sort(sy.begin(), sy.end());
    const auto at = [](const std::vector<double>& v, double q) {
        return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
    };
    double x0 = at(sx, 0.01), x1 = at(sx, 0.99), y0 = at(sy, 0.01), y1 = at(sy, 0.99);
    double w = x1 - x0, h = y1 - y0;
    x0 -= w / 20, y0 -= h / 20, w *= 1.1, h *= 1.1;
    const double cells = std::max(1.0, static_cast<double>(finite) / kPointsPerCell);
    double cell = std::sqrt(w * h / cells);
    if (!(cell > 0) || !std::isfinite(cell))
        cell = std::max(w, h) / cells;
    if (!(cell > 0) || !std::isfinite(cell))
        cell = 1;
    m_nx = static_cast<int>(std::clamp(std::ceil(w / cell), 1.0, double(kMaxCellsPerSide)));
    m_ny = static_cast<int>(std::clamp(std::ceil(h / cell), 1.0, double(kMaxCellsPerSide)));
    m_cell = std::max({cell, w / m_nx, h / m_ny});
    m_gx = x0;
    m_gy = y0;
    const std::size_t n = static_cast<std::size_t>(m_nx) * static_cast<std::size_t>(m_ny);
    m_pointStart.assign(n + 1, 0);
    m_segStart.assign(n + 1, 0);
    m_build.Phase = kCountPoints;
}

template <class Each>
void TPlanIndex::EachSegment(std::uint32_t end, const Each& each) {
    for (; m_build.Group < m_groups.size(); ++m_build.Group) {
        const Group& group = m_groups[m_build.Group];
        const std::uint32_t last = group.First + group.Count;
        if (group.Line)
            for (std::uint32_t b = std::max(m_build.Next, group.First + 1); b < last; ++b) {
                if (b >= end) {
                    m_build.Next = b;
                    return;
                }
                each(b);
            }
        m_build.Next = last;
    }
}

std::size_t TPlanIndex::GridWorkDone() const {
    if (m_build.Phase == kGridDone)
        return GridWork();
    return static_cast<std::size_t>(m_build.Phase) * Size() + m_build.Next;
}

bool TPlanIndex::StepGrid(std::size_t budget) {
    const std::size_t n = static_cast<std::size_t>(m_nx) * static_cast<std::size_t>(m_ny);
    const auto cellOf = [&](std::uint32_t i) {
        int ix0, iy0, ix1, iy1;
        CellRange(m_x[i], m_y[i], m_x[i], m_y[i], ix0, iy0, ix1, iy1);
        return static_cast<std::size_t>(iy0) * static_cast<std::size_t>(m_nx) + static_cast<std::size_t>(ix0);
    };
    const auto finite = [&](std::uint32_t i) { return std::isfinite(m_x[i]) && std::isfinite(m_y[i]); };
    const std::uint32_t end = static_cast<std::uint32_t>(
        std::min<std::size_t>(Size(), static_cast<std::size_t>(m_build.Next) + std::min<std::size_t>(budget, Size())));
    // The cells a segment's box touches; false when it spans too many to register in each.
    const auto segmentCells = [&](std::uint32_t b, int& ix0, int& iy0, int& ix1, int& iy1) {
        const std::uint32_t a = b - 1;
        CellRange(std::min(m_x[a], m_x[b]), std::min(m_y[a], m_y[b]), std::max(m_x[a], m_x[b]),
                  std::max(m_y[a], m_y[b]), ix0, iy0, ix1, iy1);
        return (ix1 - ix0 + 1) * (iy1 - iy0 + 1) <= kMaxSegmentCells;
    };
    switch (m_build.Phase) {
    case kCountPoints:
        for (std::uint32_t i = m_build.Next; i < end; ++i)
            if (finite(i))
                ++m_pointStart[cellOf(i) + 1];
        m_build.Next = end;
        if (end < Size())
            return false;
        for (std::size_t c = 0; c < n; ++c)
            m_pointStart[c + 1] += m_pointStart[c];
        m_pointCells.resize(m_pointStart[n]);
        m_build.Fill.assign(m_pointStart.begin(), m_pointStart.end() - 1);
        m_build.Phase = kPlacePoints;
        m_build.Next = 0;
        return false;
    case kPlacePoints:
        for (std::uint32_t i = m_build.Next; i < end; ++i)
            if (finite(i))
                m_pointCells[m_build.Fill[cellOf(i)]++] = i;
        m_build.Next = end;
        if (end < Size())
            return false;
        m_build.Phase = kCountSegments;
        m_build.Next = 0;
        m_build.Group = 0;
        return false;
    case kCountSegments:
    case kPlaceSegments: {
        const bool place = m_build.Phase == kPlaceSegments;
        // Segments in every cell their box touches: counted first, then placed.
        EachSegment(end, [&](std::uint32_t b) {
            if (!finite(b - 1) || !finite(b))
                return;
            int ix0, iy0, ix1, iy1;
            if (!segmentCells(b, ix0, iy0, ix1, iy1)) {
                if (place)
                    m_longSegs.push_back(b);
                return;
            }
            for (int iy = iy0; iy <= iy1; ++iy)
                for (int ix = ix0; ix <= ix1; ++ix) {
                    const std::size_t c =
                        static_cast<std::size_t>(iy) * static_cast<std::size_t>(m_nx) + static_cast<std::size_t>(ix);
                    if (place)
                        m_segCells[m_build.Fill[c]++] = b;
                    else
                        ++m_segStart[c + 1];
                }
        });
        if (m_build.Group < m_groups.size())
            return false;
        if (!place) {
            for (std::size_t c = 0; c < n; ++c)
                m_segStart[c + 1] += m_segStart[c];
            m_segCells.resize(m_segStart[n]);
            m_build.Fill.assign(m_segStart.begin(), m_segStart.end() - 1);
            m_build.Phase = kPlaceSegments;
            m_build.Next = 0;
            m_build.Group = 0;
            return false;
        }
        m_build.Fill = {};
        m_build.Phase = kGridDone;
        return true;
    }
    default:
        return true;
    }
}

void TPlanIndex::CellRange(double minX, double minY, double maxX, double maxY, int& ix0, int& iy0,
                           int& ix1, int& iy1) const {
    const auto cellAt = [this](double v, double origin, int n) {
        const double f = (v - origin) / m_cell;
        if (!(f >= 0))
            return 0; // also NaN
        if (f >= n)
            return n - 1;
        return static_cast<int>(f);
    };
    ix0 = cellAt(minX, m_gx, m_nx);
    ix1 = cellAt(maxX, m_gx, m_nx);
    iy0 = cellAt(minY, m_gy, m_ny);
    iy1 = cellAt(maxY, m_gy, m_ny);
}

bool TPlanIndex::Query(double minX, double minY, double maxX, double maxY,
                       std::vector<std::uint32_t>& points, std::vector<std::uint32_t>& segments) const {
    points.clear();
    segments.clear();
    if (!GridReady())
        return false; // still being built: a walk over everything is right meanwhile
    if (m_nx == 0)
        return true; // nothing with a place on the plan
    int ix0, iy0, ix1, iy1;
    CellRange(minX, minY, maxX, maxY, ix0, iy0, ix1, iy1);
    // Most of the grid: a walk over everything is cheaper than gathering and sorting.
    if (4.0 * (ix1 - ix0 + 1) * (iy1 - iy0 + 1) >= double(m_nx) * m_ny)
        return false;
    for (int iy = iy0; iy <= iy1; ++iy) {
        const std::size_t row = static_cast<std::size_t>(iy) * static_cast<std::size_t>(m_nx);
        points.insert(points.end(), m_pointCells.begin() + m_pointStart[row + ix0],
                      m_pointCells.begin() + m_pointStart[row + ix1 + 1]);
        segments.insert(segments.end(), m_segCells.begin() + m_segStart[row + ix0],
                        m_segCells.begin() + m_segStart[row + ix1 + 1]);
    }
    segments.insert(segments.end(), m_longSegs.begin(), m_longSegs.end());
    sortNumbers(points);
    sortNumbers(segments);
    segments.erase(std::unique(segments.begin(), segments.end()), segments.end());
    return true;
}

std::size_t TPlanIndex::Cost(double minX, double minY, double maxX, double maxY) const {
    if (!GridReady())
        return Size() * 2;
    if (m_nx == 0)
        return 0;
    int ix0, iy0, ix1, iy1;
    CellRange(minX, minY, maxX, maxY, ix0, iy0, ix1, iy1);
    if (4.0 * (ix1 - ix0 + 1) * (iy1 - iy0 + 1) >= double(m_nx) * m_ny)
        return Size() + m_segCells.size() + m_longSegs.size();
    std::size_t cost = m_longSegs.size();
    for (int iy = iy0; iy <= iy1; ++iy) {
        const std::size_t row = static_cast<std::size_t>(iy) * static_cast<std::size_t>(m_nx);
        cost += m_pointStart[row + ix1 + 1] - m_pointStart[row + ix0];
        cost += m_segStart[row + ix1 + 1] - m_segStart[row + ix0];
    }
    return cost;
}
