#pragma once

#include "formats/InstrumentFormat.h"
#include "formats/Reduction.h"

#include <string_view>
#include <vector>

// What an instrument file yields: its points in file order, ids and codes in UTF-8 (codes
// as the file has them, not upper-cased); the records left out, each with its reason;
// warnings about results the data itself contradicts (a check shot that misses its point),
// which leave every point in; and notes that lose nothing (a local origin, a unit taken as
// given, the orientation of each set-up).
struct TInstrumentResult {
    std::vector<TSurveyPoint> Points;
    std::vector<TLineMessage> Problems;
    std::vector<TLineMessage> Warnings;
    std::vector<TLineMessage> Notes;
};

// Reads `bytes` in `choice` (not PointLines) and reduces the observations. Text is CP949
// unless the bytes read as UTF-8 and not better as CP949, as for point files.
TInstrumentResult ReadInstrumentData(std::string_view bytes, const TFormatChoice& choice);

// "line 12: reason", or the reason alone for the whole file.
std::string LineMessageText(const TLineMessage& message);
