#pragma once

#include "formats/InstrumentData.h"

class TObservationLog;
struct TTraverseInput;
struct TTraverseResult;

// The file's points reduced again around the adjusted traverse, in file order: each
// traverse station where the adjustment put it (once, in place of the first shot or record
// that gave it), every set-up on a traverse station moved there and oriented on its
// backsight at the backsight's adjusted or given place, its side shots reduced from that.
// The rest of the file is reduced as the import reduces it, with the same notes, warnings
// and records left out.
TInstrumentResult AdjustedPoints(const TObservationLog& log, const TTraverseInput& input,
                                 const TTraverseResult& traverse);
