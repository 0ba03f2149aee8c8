#pragma once

#include <string_view>

class TRecordSink;

// Topcon GTS-7 text records: a keyword, then comma-separated values. A point comes as a
// head line and a data line: STN id,instrument height,code then XYZ (the station); SS (or
// SC, SD, SA) id,target height,code or BS id,target height then SD hz,zenith,slope
// distance, HVD hz,zenith,slope distance, HD hz,horizontal distance,height difference, or
// XYZ/NEZ n,e,z, ENZ e,n,z; PT id,code then XYZ. BKB id,azimuth,circle orients the set-up.
// UNITS names the length and angle unit (M or F; D for degrees as ddd.mmss, G gon, MIL);
// without it angles are ddd.mmss. XYZ is northing, easting, height. JOB, NOTE and the
// other keywords are skipped.
void ReadGts7(std::string_view bytes, TRecordSink& sink);
