#pragma once

#include <string_view>

class TRecordSink;

// Nikon RAW V2.00: comma-separated records. CO comments carry the settings ("Dist Units:",
// "Angle Units:", "Zero azimuth:", "Zero VA:", "Coord Order:"); UP, MP, CC and RE give
// coordinates (pt, pt id, then northing, easting, elevation in the stated order, code);
// ST is a set-up (station, id, backsight, id, instrument height, backsight azimuth,
// backsight circle reading); SS, CP and SO are observations (target height, slope
// distance, horizontal angle, vertical angle), and so are F1/F2 to a named target, the
// measurements of an angle set (unnamed, they measure the backsight). A record starting
// with "*" was deleted on the instrument and is skipped, as are the other record types.
void ReadNikonRaw(std::string_view bytes, TRecordSink& sink);
