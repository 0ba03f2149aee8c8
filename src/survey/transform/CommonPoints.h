#pragma once

#include "survey/transform/PlaneFit.h"

#include <string>
#include <vector>

class TNCADProject;

// The pairs of points with the same ID in both projects, in the source's order. An ID may
// stand more than once in a project (one point in two code groups) when its X and Y agree
// within a millimetre; otherwise it is ambiguous and throws EFitError naming it.
std::vector<TCommonPair> MatchCommonPoints(const TNCADProject& source, const TNCADProject& target);

// Leaves the pairs with these IDs out of the fit. Throws EFitError for an ID that is no pair.
void ExcludePairs(std::vector<TCommonPair>& pairs, const std::vector<std::string>& ids);

// Moves X and Y of every point; Z, IDs and codes stay.
void ApplyPlaneTransform(TNCADProject& project, const TPlaneTransform& transform);
