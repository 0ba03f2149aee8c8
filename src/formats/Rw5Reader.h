#pragma once

#include <string_view>

class TRecordSink;

// Carlson RW5 (the TDS raw data records): comma-separated, each field led by its header
// (OP, FP, AR, ZE, SD, "N ", "E ", EL, ...), "--" starting a note that runs to the end of
// the line; a line starting with "--" is a comment. MO gives the azimuth direction (AD),
// the length unit (UN) and the angle unit (AU: 0 degrees as ddd.mmss, 1 gon). Records
// read: SP stored point, OC occupy, BK backsight (BS azimuth, BC circle), LS heights (HI,
// HR), and the shots SS, TR, BD, BR, FD, FR with AR/AL/AZ/DR/DL/BR for the horizontal angle,
// ZE/VA/CE for the vertical, SD/HD for the distance; the note is the code. JB and the
// other records are skipped.
void ReadRw5(std::string_view bytes, TRecordSink& sink);
