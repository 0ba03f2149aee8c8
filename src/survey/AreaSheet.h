#pragma once

#include "model/Measure.h"

#include <string>
#include <vector>

class TNCADItem;

// The area of a closed code group by coordinates (좌표 면적 계산부), row by row as the sheet
// shows it. E is the job's X (easting), N its Y (northing); metres and square metres.
struct TAreaSheetRow {
    std::string Id;
    double E = 0.0;
    double N = 0.0;
    double NorthDiff = 0.0;   // N of the next corner less N of the one before
    double EastDiff = 0.0;    // E of the next corner less E of the one before
    double EastProduct = 0.0; // E * NorthDiff
    double NorthProduct = 0.0; // N * EastDiff
};

struct TAreaSheet {
    std::vector<TAreaSheetRow> Rows; // the corners in the group's order
    TAreaState State = TAreaState::Open;
    // Sum of EastProduct: positive when the corners run anticlockwise on the plan. The sum
    // of NorthProduct is its negative. Both only when State is Valid.
    double TwiceArea = 0.0;
    double Area = 0.0;   // square metres
    double Pyeong = 0.0; // 1 평 = 400/121 ㎡
};

// `markedClosed` as for MeasureGroup: the closing side is implied. Rows are there for any
// closed group; TwiceArea and Area only for a simple figure (State Valid).
TAreaSheet AreaSheetOf(const TNCADItem& group, bool markedClosed);
