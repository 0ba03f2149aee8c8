#pragma once

#include "formats/Angles.h"
#include "formats/Message.h"

#include <optional>
#include <string_view>

class TRecordSink;

// The reason a field that should be a number is left out (the text library's wording).
TMessage NotANumberReason(std::string_view field);

// A number or angle field that may be left empty. Empty gives no value; anything else that
// is not a number (or an angle in `unit`) is reported to `sink` as a problem of `line` and
// gives false, and the reader leaves the record out.
bool OptionalNumber(std::string_view field, std::optional<double>& out, TRecordSink& sink, int line);
bool OptionalAngle(std::string_view field, TAngleUnit unit, std::optional<double>& out, TRecordSink& sink,
                   int line);
