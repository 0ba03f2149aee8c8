#pragma once

#include "survey/Traverse.h"

#include <string>
#include <vector>

class TObservationLog;

// The traverse an instrument file observed, ready to adjust. Along `route` (station ids P0
// .. Pn) when given; otherwise along the longest run of set-ups, in file order, in which
// each set-up observes the next one's station and is observed back from it; a run whose
// last set-up observes its first station closes the loop there. P0 needs coordinates in
// the file and a known backsight (a point with coordinates, or an azimuth); Pn needs
// coordinates or is P0 again. Each angle is the mean foresight less the mean backsight
// direction of one set-up, faces averaged; each leg the mean of its forward and back
// distances. Throws ETraverse saying what is missing.
TTraverseInput TraverseFromLog(const TObservationLog& log, const std::vector<std::string>& route = {});
