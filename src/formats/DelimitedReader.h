#pragma once

#include <string_view>

class TRecordSink;

// True for a column order: the letters P (point id), N (northing), E (easting), Z (height),
// D (code) and "-" for a column to skip, upper case; P, N and E once each, Z and D at most
// once. "PNEZD" and "PENZD" are the usual exports.
bool IsColumnOrder(std::string_view order);

// A delimited coordinate file in the column order `order` (IsColumnOrder). Each line splits
// at commas, or else at tabs, or semicolons, or runs of blanks; a field in double quotes
// may hold the separator, and its quotes are dropped ("" stands for one). A first line none
// of whose coordinate columns holds a number is a header; it and blank lines are skipped.
// Such files look like the program's own point lines, so they are only ever read when the
// user names their order.
void ReadDelimited(std::string_view bytes, std::string_view order, TRecordSink& sink);
