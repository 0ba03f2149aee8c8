#pragma once

#include <string_view>

class TRecordSink;

// Trimble/Geodimeter ARE and JOB files: one label=value per line. 5 starts a point (4 code,
// 6 target height, 7 horizontal angle, 8 zenith angle, 9 slope distance, 11 horizontal
// distance, 10 height difference, 37 northing, 38 easting, 39 height); 2 starts a station
// (3 instrument height, 37..39 its coordinates, 62 the reference object with 21 its
// azimuth). Label 0 and the others are notes and settings, skipped. The files name no
// angle unit; gon is taken.
void ReadAre(std::string_view bytes, TRecordSink& sink);
