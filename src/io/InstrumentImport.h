#pragma once

#include "formats/InstrumentData.h"
#include "model/AxisOrder.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TNCADProject;
class TPointRowSink;
struct TImportProgress;

// What an instrument import did: the points added, the records left out with their
// reasons, the warnings (every point is in, but the data contradicts a result) and the
// notes the user should see.
struct TInstrumentImport {
    int Points = 0;
    std::vector<TLineMessage> Problems;
    std::vector<TLineMessage> Warnings;
    std::vector<TLineMessage> Notes;
};

// The format to read `bytes` in: `forced` when given, else the instrument format whose
// signature the bytes carry, else the program's own point lines.
TFormatChoice ChooseFormat(std::string_view bytes, const std::optional<TFormatChoice>& forced = std::nullopt);

// The points of instrument data appended as ImportInstrumentData appends them (their texts
// are moved out); returns how many. `progress` hears of the points added out of all.
int AppendSurveyPoints(std::vector<TSurveyPoint>& points, TNCADProject& project, TPointRowSink* sink,
                       TAxisOrder axes = TAxisOrder::XEast, const TImportProgress* progress = nullptr);

// Appends the points of instrument data (`choice` is not PointLines) to `project` and
// `sink` as point lines are appended: easting and northing to X and Y as `axes` says (X
// northing under XNorth), height to Z, the id to ID, the code upper-cased to CODE; the table's X, Y and Z as "%.4f" texts. Every point
// that can be read is added, in file order; Problems says what was left out. `progress`
// hears of the reading and the adding as one piece of work; when it throws, the points
// added so far stay for the caller to take back.
TInstrumentImport ImportInstrumentData(std::string_view bytes, const TFormatChoice& choice,
                                       TNCADProject& project, TPointRowSink* sink,
                                       TAxisOrder axes = TAxisOrder::XEast,
                                       const TImportProgress* progress = nullptr);

// What a read that found no point says: "no records found as SDR" ("as point lines" for
// the program's own), or, when records were there but every one was left out, "none of
// the 3 records could be read as SDR". Such a read replaces no file and adds nothing.
TMessage NoPointsMessage(const TFormatChoice& choice, std::size_t recordsLeftOut = 0);
