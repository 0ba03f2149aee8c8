#pragma once

#include "formats/InstrumentFormat.h"
#include "formats/Reduction.h"

#include <cstddef>
#include <functional>
#include <string>
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

// Hands the records of `bytes` in `choice` (not PointLines) to `sink`, ids, codes and
// messages as the file's bytes.
void ReadInstrumentRecords(std::string_view bytes, const TFormatChoice& choice, TRecordSink& sink);

// Texts of one instrument file as UTF-8: files written on Linux are UTF-8, everything else
// the Korean code page. Whether the file is UTF-8 is only asked once a text is not ASCII,
// so a file of ASCII ids and codes is never scanned as a whole.
class TTextDecoder {
public:
    explicit TTextDecoder(std::string_view bytes) : m_bytes(bytes) {}
    void operator()(std::string& text);

private:
    std::string_view m_bytes;
    int m_cp949 = -1;
};

// Told now and then how far a read has got: the line reached and the file's lines. It may
// throw to stop the read; nothing read so far is kept.
using TReadProgress = std::function<void(size_t line, size_t lines)>;

// Reads `bytes` in `choice` (not PointLines) and reduces the observations. Text is CP949
// unless the bytes read as UTF-8 and not better as CP949, as for point files.
TInstrumentResult ReadInstrumentData(std::string_view bytes, const TFormatChoice& choice,
                                     const TReadProgress& progress = {});

// "line 12: reason", or the reason alone for the whole file.
std::string LineMessageText(const TLineMessage& message);
