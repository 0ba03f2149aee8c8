#include "formats/InstrumentFormat.h"

#include "formats/DelimitedReader.h"
#include "model/CodeText.h"

const std::vector<TFormatInfo>& InstrumentFormats() {
    static const std::vector<TFormatInfo> kFormats = {
        {"points", "the program's own point lines: ID, X, Y, Z, CODE (the default)", TInstrumentFormat::PointLines},
        {"gsi", "Leica GSI-8 and GSI-16 words (*.gsi)", TInstrumentFormat::Gsi},
        {"sdr", "Sokkia SDR33 and SDR2x records (*.sdr)", TInstrumentFormat::Sdr},
        {"nikon", "Nikon RAW V2.00 (*.raw)", TInstrumentFormat::NikonRaw},
        {"rw5", "Carlson RW5 / TDS raw data (*.rw5)", TInstrumentFormat::Rw5},
        {"are", "Trimble/Geodimeter ARE and JOB label=value records (*.are, *.job)", TInstrumentFormat::Are},
        {"gts7", "Topcon GTS-7 text records", TInstrumentFormat::Gts7},
        {"pnezd", "delimited: point, northing, easting, height, code (never detected)", TInstrumentFormat::Delimited},
        {"penzd", "delimited: point, easting, northing, height, code (never detected)", TInstrumentFormat::Delimited},
    };
    return kFormats;
}

std::optional<TFormatChoice> FormatByName(std::string_view name) {
    const std::string u = UpperAscii(name);
    for (const TFormatInfo& f : InstrumentFormats())
        if (f.Format != TInstrumentFormat::Delimited && u == UpperAscii(f.Name))
            return TFormatChoice{f.Format, {}};
    if (IsColumnOrder(u))
        return TFormatChoice{TInstrumentFormat::Delimited, u};
    return std::nullopt;
}

std::string FormatName(const TFormatChoice& choice) {
    if (choice.Format == TInstrumentFormat::Delimited)
        return UpperAscii(choice.Order);
    for (const TFormatInfo& f : InstrumentFormats())
        if (f.Format == choice.Format)
            return f.Name;
    return {};
}
