#include "view/PlanIndex.h"

#include "model/NCADProject.h"
#include "view/PointSymbol.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

// About this many points to a cell; fewer cells than that would not pay for their table.
constexpr double kPointsPerCell = 4;
constexpr int kMaxCellsPerSide = 4096;
// A segment over more cells than this goes to the list every query takes.
constexpr int kMaxSegmentCells = 16;
constexpr std::size_t kSampleSize = 4096;

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
        BuildGrid();
}

std::size_t TPlanIndex::MaxHeightChars() const {
    THeightText text;
    return std::max(text(-m_maxAbsZ).size(), m_oddZ ? std::size_t{4} : std::size_t{0});
}

void TPlanIndex::BuildGrid() {
    m_built = true;
    m_pointStart.clear();
    m_pointCells.clear();
    m_segStart.clear();
    m_segCells.clear();
    m_longSegs.clear();
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
    if (sx.empty())
        return;
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
    const auto cellOf = [&](std::uint32_t i) {
        int ix0, iy0, ix1, iy1;
        CellRange(m_x[i], m_y[i], m_x[i], m_y[i], ix0, iy0, ix1, iy1);
        return static_cast<std::size_t>(iy0) * static_cast<std::size_t>(m_nx) + static_cast<std::size_t>(ix0);
    };
    m_pointStart.assign(n + 1, 0);
    for (std::uint32_t i = 0; i < Size(); ++i)
        if (std::isfinite(m_x[i]) && std::isfinite(m_y[i]))
            ++m_pointStart[cellOf(i) + 1];
    for (std::size_t c = 0; c < n; ++c)
        m_pointStart[c + 1] += m_pointStart[c];
    m_pointCells.resize(m_pointStart[n]);
    {
        std::vector<std::uint32_t> fill(m_pointStart.begin(), m_pointStart.end() - 1);
        for (std::uint32_t i = 0; i < Size(); ++i)
            if (std::isfinite(m_x[i]) && std::isfinite(m_y[i]))
                m_pointCells[fill[cellOf(i)]++] = i;
    }

    // Segments in every cell their box touches: counted first, then placed.
    m_segStart.assign(n + 1, 0);
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<std::uint32_t> fill;
        if (pass == 1) {
            for (std::size_t c = 0; c < n; ++c)
                m_segStart[c + 1] += m_segStart[c];
            m_segCells.resize(m_segStart[n]);
            fill.assign(m_segStart.begin(), m_segStart.end() - 1);
        }
        for (const Group& group : m_groups) {
            if (!group.Line)
                continue;
            for (std::uint32_t b = group.First + 1; b < group.First + group.Count; ++b) {
                const std::uint32_t a = b - 1;
                if (!std::isfinite(m_x[a]) || !std::isfinite(m_y[a]) || !std::isfinite(m_x[b]) ||
                    !std::isfinite(m_y[b]))
                    continue;
                int ix0, iy0, ix1, iy1;
                CellRange(std::min(m_x[a], m_x[b]), std::min(m_y[a], m_y[b]), std::max(m_x[a], m_x[b]),
                          std::max(m_y[a], m_y[b]), ix0, iy0, ix1, iy1);
                if ((ix1 - ix0 + 1) * (iy1 - iy0 + 1) > kMaxSegmentCells) {
                    if (pass == 1)
                        m_longSegs.push_back(b);
                    continue;
                }
                for (int iy = iy0; iy <= iy1; ++iy)
                    for (int ix = ix0; ix <= ix1; ++ix) {
                        const std::size_t c = static_cast<std::size_t>(iy) * static_cast<std::size_t>(m_nx) +
                                              static_cast<std::size_t>(ix);
                        if (pass == 0)
                            ++m_segStart[c + 1];
                        else
                            m_segCells[fill[c]++] = b;
                    }
            }
        }
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
    std::sort(points.begin(), points.end());
    std::sort(segments.begin(), segments.end());
    segments.erase(std::unique(segments.begin(), segments.end()), segments.end());
    return true;
}
