#pragma once

#include <string>

// The value forms of the DXF writer, locale-free. The "Append" functions add to `out`
// without a temporary; the others return the text.
namespace DxfNumbers {

// Decimal integer, "-" for negatives: "0", "256".
void AppendInteger(std::string& out, long long value);

// Four decimals as "%.4f" gives them: "1234.5000", "-0.1250".
void AppendFixed(std::string& out, double value);

// Always 23 characters: sign position (blank or "-"), one digit, ".", 14 digits, "E",
// exponent sign and four exponent digits; 15 significant digits rounded half away from
// zero on the exact binary value. Zero (also -0) is " 0.00000000000000E+0000".
void AppendScientific(std::string& out, double value);
std::string Scientific(double value);
// The same into a buffer of at least kScientificSize bytes; returns the end.
inline constexpr int kScientificSize = 23;
char* WriteScientific(char* out, double value);

// The shortest text of at most 15 significant digits (rounded as above): "0", "35.12",
// "-2.5". From 1E15 upward and below 0.0001 in magnitude the exponent form "2.5E15",
// "5E-5", "1E308".
void AppendGeneral(std::string& out, double value);
std::string General(double value);
// The same into a buffer of at least kMaxGeneralSize bytes; returns the end.
inline constexpr int kMaxGeneralSize = 24;
char* WriteGeneral(char* out, double value);

// Infinity and NaN have no place in a drawing; both forms write "INF", "-INF" or "NAN"
// for them rather than a number a reader would take at face value.

} // namespace DxfNumbers
