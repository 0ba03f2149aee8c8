#pragma once

#include "formats/InstrumentFormat.h"

#include <optional>
#include <string_view>

// The instrument format whose signature the first meaningful lines carry, or nothing: the
// data is then the program's own point lines, which stay the default. A line that could be
// a point line (four fields or more, the second and third numbers) never starts an
// instrument format, and delimited files are never detected.
std::optional<TInstrumentFormat> DetectFormat(std::string_view bytes);
