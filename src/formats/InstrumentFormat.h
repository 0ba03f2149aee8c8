#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The formats data can come in: the program's own point lines, the instruments' formats,
// and delimited coordinate files in a named column order.
enum class TInstrumentFormat {
    PointLines, // ID, X, Y, Z, CODE: the default
    Gsi,
    Sdr,
    NikonRaw,
    Rw5,
    Are,
    Gts7,
    Delimited,
};

struct TFormatChoice {
    TInstrumentFormat Format = TInstrumentFormat::PointLines;
    std::string Order; // Delimited: the column order, e.g. "PNEZD"
};

struct TFormatInfo {
    const char* Name;        // as the command line names it
    const char* Description; // one line
    TInstrumentFormat Format;
};

// Every format with its name and description, in the order a list shows them.
const std::vector<TFormatInfo>& InstrumentFormats();

// A format by name, case-blind: one of InstrumentFormats(), or a column order such as
// "pnezd" or "PD-ENZ" for a delimited file. Nothing for anything else.
std::optional<TFormatChoice> FormatByName(std::string_view name);

// The name of a format (a delimited one by its column order).
std::string FormatName(const TFormatChoice& choice);
