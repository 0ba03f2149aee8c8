#pragma once

#include <string_view>

class TRecordSink;

// Sokkia SDR33 and SDR2x: fixed columns after a four-character record head (type and
// derivation). The 00 header gives the version, which sets the widths (SDR33: ids and
// numbers of 16; SDR2x: ids of 4 and numbers of 10), the angle unit (1 degrees, 2 gon,
// 4 mil), the length unit and the coordinate order (1 N-E-Z, 2 E-N-Z); the 01 instrument
// record whether vertical angles start at the zenith or the horizon. Records read: 02
// station, 03 target height, 07 backsight, 08 coordinates, 09 observation; the others
// (job, notes, scale) are skipped.
void ReadSdr(std::string_view bytes, TRecordSink& sink);
