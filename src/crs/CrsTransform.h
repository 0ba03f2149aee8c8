#pragma once

#include "crs/Crs.h"
#include "model/AxisOrder.h"

#include <memory>
#include <string>
#include <vector>

// An operation PROJ used, with the accuracy it states for it.
struct TCrsOperation {
    std::string Name;       // PROJ's name, as projinfo and cs2cs show it
    double Accuracy = -1.0; // metres; negative when PROJ does not know it
    int Points = 0;         // how many points went through it
};

// The accuracy as the user reads it: "약 1 m"; "0 m (투영 변환만)" for a change of
// projection on the same datum; "정확도 알 수 없음".
std::string AccuracyText(double metres);

// From one reference system into another, with the operation cs2cs would use: PROJ's own
// choice (proj_create_crs_to_crs, without network grids), which may differ from point to
// point where PROJ knows several operations for parts of the area. Heights are not
// ellipsoidal heights, so points go in at height 0, as cs2cs takes a point given without
// one; the caller keeps its heights.
class TCrsTransform {
public:
    // Throws ECrsError for a code PROJ does not know or a pair it cannot join.
    TCrsTransform(int fromEpsg, int toEpsg);
    ~TCrsTransform();
    TCrsTransform(const TCrsTransform&) = delete;
    TCrsTransform& operator=(const TCrsTransform&) = delete;

    const TCrsInfo& From() const;
    const TCrsInfo& To() const;

    // Easting and northing (longitude and latitude in degrees) in, the same out, whichever
    // order the EPSG definitions give their axes. Throws ECrsError with PROJ's reason when
    // the point cannot be transformed.
    TEastNorth Transform(const TEastNorth& point);

    // The operations used so far, in the order of their first use.
    const std::vector<TCrsOperation>& Operations() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
