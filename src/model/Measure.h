#pragma once

#include <cstddef>
#include <vector>

class TNCADItem;

// Lengths and areas of a code group, in world units (metres on the instruments we serve).

// First and last point this close (metres) close the figure; a point this close to the one
// before it is the same corner shot twice.
inline constexpr double kClosingTolerance = 0.001;
// 1 평 = 400/121 ㎡ (3.3058 ㎡).
inline constexpr double kSquareMetresPerPyeong = 400.0 / 121.0;

inline double SquareMetresToPyeong(double squareMetres) {
    return squareMetres / kSquareMetresPerPyeong;
}

struct TPlanPoint {
    double X = 0.0;
    double Y = 0.0;
};

enum class TAreaState {
    Open,         // not closed: no area
    Valid,        // a simple polygon: Area holds its area
    SelfCrossing, // sides cross or touch each other: no area
    Degenerate,   // fewer than three distinct corners, or all on one line: no area
    OutOfRange,   // closed, but the figure is too large for numbers: no area
};

struct TGroupMeasure {
    int Points = 0;
    double Length = 0.0;       // along the points in their order, open
    bool ClosesItself = false; // at least three points, first and last within tolerance
    bool Closed = false;       // ClosesItself or marked closed by the user
    TAreaState State = TAreaState::Open;
    double Area = 0.0;      // square metres, any winding; only when State is Valid
    double Perimeter = 0.0; // Length plus the closing side; only when Closed
    // Coordinates near the limit of numbers: the length or the perimeter is infinite, or
    // the area cannot be computed (State OutOfRange when closed). Show only finite values.
    bool OutOfRange = false;
};

// The points, by index, that are the corners of the closed figure: a corner shot twice in
// a row counts once, and a last point back on the first is not a corner of its own.
std::vector<size_t> CornerIndices(const std::vector<TPlanPoint>& points);

// `markedClosed`: the user treats the figure as closed even though its last point is not
// back on the first; the closing side is then implied.
TGroupMeasure MeasurePath(const std::vector<TPlanPoint>& points, bool markedClosed);
TGroupMeasure MeasureGroup(const TNCADItem& group, bool markedClosed);
// At least three points and the last one back on the first (the ClosesItself of a measure).
bool ClosesItself(const TNCADItem& group);
