#pragma once

#include "model/AxisOrder.h"
#include "report/Report.h"

#include <array>
#include <string>
#include <vector>

struct TAreaSheet;
struct TTraverseResult;

// The office's printed sheets. Figures are rounded half away from zero as they are written
// (FormatRounded): lengths and coordinates to the millimetre.

// A row of the point table: ID, X, Y, Z and CODE as the table shows them, UTF-8.
using TPointRow = std::array<std::string, 5>;

// 좌표 성과표: the rows in the table's order, X, Y and Z to three decimals.
TReport PointListReport(std::vector<TPointRow> rows, const PlotTitle& title);

// Why `sheet` makes no area sheet (not closed, sides crossing, ...); empty when it does.
QString AreaSheetProblem(const TAreaSheet& sheet);
// 좌표 면적 계산부 of the group `code`: its corners in order with X and Y, the products of
// the coordinate method over the job's X and Y, twice the area, the area in ㎡ and in 평.
// Throws std::runtime_error saying AreaSheetProblem() for a group that is no simple
// closed figure.
TReport AreaReport(const TAreaSheet& sheet, const std::string& code, const PlotTitle& title);

// 트래버스 계산부: the angles and their corrections, the legs with azimuths, latitudes,
// departures and their corrections, the adjusted stations, and the misclosures with the
// precision and the rule. `axes` says which of easting and northing the job's X holds, as
// the job takes the adjusted stations.
TReport TraverseReport(const TTraverseResult& result, TAxisOrder axes, const PlotTitle& title);
