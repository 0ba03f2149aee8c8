#pragma once

#include <QRectF>

#include <vector>

// The label blocks placed on a sheet so far, so that the next one goes where it covers none
// of them. A uniform grid over the area holds them; a sheet holds few blocks (they cannot
// overlap), so the memory stays small whatever the job's size.
class TLabelPlacer {
public:
    // `area` and `cell` in the caller's units; a cell about a label's height is best.
    TLabelPlacer(const QRectF& area, double cell);

    // True when `r` covers no block placed so far.
    bool IsFree(const QRectF& r) const;
    void Place(const QRectF& r);

private:
    void CellRange(const QRectF& r, int& x0, int& y0, int& x1, int& y1) const;

    QRectF m_area;
    double m_cell;
    int m_nx, m_ny;
    std::vector<std::vector<QRectF>> m_cells;
};
