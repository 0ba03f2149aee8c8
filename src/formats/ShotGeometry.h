#pragma once

#include <string>

struct TSurveyRecord;

// The horizontal and vertical parts of one shot, reduced to face one.
struct TShotGeometry {
    bool FaceTwo = false;    // the telescope was turned over: the circle reads half a turn off
    double Horizontal = 0.0; // horizontal distance; 0 for a shot without a distance
    double Vertical = 0.0;   // instrument axis to target, up
    bool HasVertical = false; // false: no zenith and no height difference, taken as level
};

// Splits the shot's distance by its zenith (or its height difference). False, with the
// reason in `problem`, for a slope distance with neither.
bool SplitShot(const TSurveyRecord& shot, TShotGeometry& geometry, std::string& problem);
