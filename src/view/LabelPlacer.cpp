#include "view/LabelPlacer.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kMaxCellsPerSide = 2048;
}

TLabelPlacer::TLabelPlacer(const QRectF& area, double cell) : m_area(area), m_cell(cell > 0 ? cell : 1) {
    const auto side = [&](double length) {
        return static_cast<int>(std::clamp(std::ceil(length / m_cell), 1.0, double(kMaxCellsPerSide)));
    };
    m_nx = side(area.width());
    m_ny = side(area.height());
    m_cell = std::max({m_cell, area.width() / m_nx, area.height() / m_ny});
    m_cells.resize(static_cast<size_t>(m_nx) * static_cast<size_t>(m_ny));
}

void TLabelPlacer::CellRange(const QRectF& r, int& x0, int& y0, int& x1, int& y1) const {
    // Blocks beyond the area count to its border cells.
    const auto at = [this](double v, double origin, int n) {
        const double f = std::floor((v - origin) / m_cell);
        return static_cast<int>(std::clamp(f, 0.0, double(n - 1)));
    };
    x0 = at(r.left(), m_area.left(), m_nx);
    x1 = at(r.right(), m_area.left(), m_nx);
    y0 = at(r.top(), m_area.top(), m_ny);
    y1 = at(r.bottom(), m_area.top(), m_ny);
}

bool TLabelPlacer::IsFree(const QRectF& r) const {
    int x0, y0, x1, y1;
    CellRange(r, x0, y0, x1, y1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            for (const QRectF& placed : m_cells[static_cast<size_t>(y) * m_nx + x])
                if (placed.intersects(r))
                    return false;
    return true;
}

void TLabelPlacer::Place(const QRectF& r) {
    int x0, y0, x1, y1;
    CellRange(r, x0, y0, x1, y1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            m_cells[static_cast<size_t>(y) * m_nx + x].push_back(r);
}
