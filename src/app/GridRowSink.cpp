#include "app/GridRowSink.h"

#include "toolkit/NiceGrid.h"

void TGridRowSink::AppendPointRow(const std::string (&cells)[5], TPoint3D* point) {
    const std::string_view texts[5] = {cells[0], cells[1], cells[2], cells[3], cells[4]};
    const int row = m_grid.AddRowUtf8(texts, 5);
    m_grid.SetRowTag(row, point);
}
