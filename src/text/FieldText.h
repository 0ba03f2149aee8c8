#pragma once

#include <string>
#include <string_view>
#include <vector>

// Fields of a line, for the point files and the instrument readers alike. The views point
// into the line; nothing here allocates per line but what a caller's vectors grow to.

// Blanks, tabs and every other control character but NUL: what separates and surrounds
// fields.
inline bool IsFieldSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

// Without field spaces at either end.
std::string_view TrimField(std::string_view text);

// True when the line holds nothing but field spaces.
bool IsBlankLine(std::string_view line);

// Splits at `separator`; each field trimmed. `fields` is reused from line to line.
void SplitFields(std::string_view line, char separator, std::vector<std::string_view>& fields);

// A line of a point text file: fields split at commas and field spaces, double quotes around
// a field that holds them ("" inside quotes stands for one quote). Returns the number of
// fields. Strings already in `fields` are reused, so a caller that keeps the vector reads
// line after line without allocating. Splitting stops after `maxFields` fields (a reader
// that needs five need not copy a megabyte of trailing fields). Entries past the returned
// count are left as they were.
int SplitPointFields(std::string_view line, std::vector<std::string>& fields,
                     int maxFields = 1 << 30);

// Instruments pad point ids with zeros ("0000MK27"); this drops them, keeping one character.
std::string_view StripLeadingZeros(std::string_view text);

bool StartsWith(std::string_view text, std::string_view prefix);
// ASCII letters compared without case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
