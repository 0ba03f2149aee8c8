#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// Numbers as text, independent of the C locale: the decimal separator is always ".", since
// a comma would collide with the point files' field delimiter.

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "%.4f": four decimals, no thousands separator, rounded half to even on the exact value;
// a value that rounds to zero is "0.0000", never "-0.0000".
std::string FormatFixed4(double value);
// Appends FormatFixed4(value) to `out` without allocating a temporary.
void AppendFixed4(std::string& out, double value);
// `decimals` digits after the point (0 to 17), rounded on the exact value, zero unsigned:
// lengths and areas to the millimetre are FormatFixed(v, 3).
std::string FormatFixed(double value, int decimals);
// `decimals` digits after the point, rounded half away from zero on the shortest decimal
// text that reads back as `value`: the figure a person gets who rounds the number as the
// table shows it (201350.0005 to three places is 201350.001, where rounding the binary
// value would give 201350.000); zero unsigned.
std::string FormatRounded(double value, int decimals);

// Decimal text to a double: optional blanks around, optional sign, digits with an optional
// "." and fraction, optional exponent (E, optional sign, digits). Anything else throws
// EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);
// The same without throwing; false when `text` is not a number.
bool TryStrToFloat(std::string_view text, double& value);

// The error StrToFloat throws for `text`.
EConvertError NotAFloat(std::string_view text);

// A number field of an instrument file: TryStrToFloat once the field spaces around it
// (control characters too) are trimmed. An empty field is not a number.
bool ParseNumber(std::string_view field, double& value);
// The reason such a field is refused: "'x' is not a valid floating point value".
std::string NotANumber(std::string_view field);
