#pragma once

#include "io/PointImport.h"

class TNiceGrid;

// Imported rows into the point table; each row carries its point as the row tag, so that
// table commands act on exactly the row's own point.
class TGridRowSink : public TPointRowSink {
public:
    explicit TGridRowSink(TNiceGrid& grid) : m_grid(grid) {}
    void AppendPointRow(const std::string (&cells)[5], TPoint3D* point) override;

private:
    TNiceGrid& m_grid;
};
