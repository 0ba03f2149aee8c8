#pragma once

#include <string_view>

class TRecordSink;

// Leica GSI-8 and GSI-16 (a block that starts with "*" has 16-character data). Words read:
// 11 point id, 21 horizontal angle, 22 zenith angle, 31 slope distance, 32 horizontal
// distance, 33 height difference, 71..79 remarks (the first present is the code), 81..83
// easting, northing, height, 84..86 the station's (beside 81..83: the station the point was
// measured from), 87 target and 88 instrument height; the unit is the word's sixth
// character. A block starts at word 11 or at the start of a line, so blocks may share a
// line; code blocks (word 41) are skipped. Horizontal angles are taken as oriented, the
// instrument having been set up before recording.
void ReadGsi(std::string_view bytes, TRecordSink& sink);
