#include "survey/AreaSheet.h"

#include "model/NCADItem.h"

#include <cmath>

TAreaSheet AreaSheetOf(const TNCADItem& group, bool markedClosed) {
    TAreaSheet sheet;
    std::vector<TPlanPoint> points;
    std::vector<const TPoint3D*> source;
    for (const auto& p : group.Points) {
        points.push_back({p->X, p->Y});
        source.push_back(p.get());
    }
    const TGroupMeasure measure = MeasurePath(points, markedClosed);
    sheet.State = measure.State;
    if (!measure.Closed)
        return sheet;
    const std::vector<size_t> corners = CornerIndices(points);
    const size_t n = corners.size();
    for (size_t i = 0; i < n; ++i) {
        const TPoint3D& p = *source[corners[i]];
        const TPoint3D& before = *source[corners[(i + n - 1) % n]];
        const TPoint3D& after = *source[corners[(i + 1) % n]];
        TAreaSheetRow& row = sheet.Rows.emplace_back();
        row.Id = p.ID;
        row.E = p.X;
        row.N = p.Y;
        row.NorthDiff = after.Y - before.Y;
        row.EastDiff = after.X - before.X;
        row.EastProduct = p.X * row.NorthDiff;
        row.NorthProduct = p.Y * row.EastDiff;
        if (measure.State == TAreaState::Valid)
            sheet.TwiceArea += row.EastProduct;
    }
    if (measure.State == TAreaState::Valid) {
        sheet.Area = std::abs(sheet.TwiceArea) / 2.0;
        sheet.Pyeong = SquareMetresToPyeong(sheet.Area);
    }
    return sheet;
}
