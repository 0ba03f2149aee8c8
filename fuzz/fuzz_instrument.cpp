// libFuzzer target for the instrument readers: any bytes, detected or read in every format,
// must read without crashing or hanging, and what comes out must point at real lines and
// hold finite coordinates.
#include "formats/FormatDetect.h"
#include "formats/InstrumentData.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

int lineCount(std::string_view bytes) {
    int n = 1;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')))
            ++n;
    return n;
}

void check(const TInstrumentResult& r, int lines) {
    for (const TSurveyPoint& p : r.Points)
        if (p.Line < 1 || p.Line > lines || !std::isfinite(p.E) || !std::isfinite(p.N) || !std::isfinite(p.H))
            std::abort();
    for (const TLineMessage& m : r.Problems)
        if (m.Line < 1 || m.Line > lines || m.Text.empty())
            std::abort();
    for (const TLineMessage& m : r.Notes)
        if (m.Line < 0 || m.Line > lines || m.Text.empty())
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int lines = lineCount(bytes);
    if (const auto detected = DetectFormat(bytes))
        if (*detected == TInstrumentFormat::PointLines || *detected == TInstrumentFormat::Delimited)
            std::abort(); // the detector names instrument formats only
    static const TFormatChoice kChoices[] = {
        {TInstrumentFormat::Gsi, {}},      {TInstrumentFormat::Sdr, {}},  {TInstrumentFormat::NikonRaw, {}},
        {TInstrumentFormat::Rw5, {}},      {TInstrumentFormat::Are, {}},  {TInstrumentFormat::Gts7, {}},
        {TInstrumentFormat::Delimited, "PNEZD"}, {TInstrumentFormat::Delimited, "D-PENZ"},
    };
    for (const TFormatChoice& c : kChoices)
        check(ReadInstrumentData(bytes, c), lines);
    return 0;
}
