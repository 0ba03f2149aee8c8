#include "formats/Angles.h"

#include "text/FieldText.h"
#include "text/NumText.h"

namespace {

bool allDigits(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Digits as a number; "" is 0.
double digitsValue(std::string_view s) {
    double v = 0.0;
    for (char c : s)
        v = v * 10.0 + (c - '0');
    return v;
}

double pow10(size_t n) {
    double p = 1.0;
    while (n--)
        p *= 10.0;
    return p;
}

} // namespace

bool DmsDigitsToDegrees(std::string_view whole, std::string_view fraction, double& degrees) {
    if (!allDigits(whole) || !allDigits(fraction) || (whole.empty() && fraction.empty()))
        return false;
    // ddd.m is ddd.m0: minutes are the first two fraction digits, padded on the right.
    char mm[2] = {'0', '0'};
    for (size_t i = 0; i < 2 && i < fraction.size(); ++i)
        mm[i] = fraction[i];
    const double minutes = (mm[0] - '0') * 10 + (mm[1] - '0');
    double seconds = 0.0;
    if (fraction.size() > 2) {
        const std::string_view s = fraction.substr(2);
        // The first two digits are whole seconds, the rest their decimals.
        seconds = digitsValue(s) / pow10(s.size() > 2 ? s.size() - 2 : 0);
        if (s.size() == 1)
            seconds *= 10.0;
    }
    if (minutes >= 60.0 || seconds >= 60.0)
        return false;
    degrees = digitsValue(whole) + minutes / 60.0 + seconds / 3600.0;
    return true;
}

double AngleToRadians(double value, TAngleUnit unit) {
    switch (unit) {
    case TAngleUnit::Gon:
        return value * kPi / 200.0;
    case TAngleUnit::Degree:
    case TAngleUnit::DegreeDms:
        return value * kPi / 180.0;
    case TAngleUnit::Mil:
        return value * kPi / 3200.0;
    case TAngleUnit::Radian:
        return value;
    }
    return value;
}

bool ParseAngle(std::string_view text, TAngleUnit unit, double& radians) {
    text = TrimField(text);
    if (unit != TAngleUnit::DegreeDms) {
        double v = 0.0;
        if (!ParseNumber(text, v))
            return false;
        radians = AngleToRadians(v, unit);
        return true;
    }
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    double degrees = 0.0;
    if (!DmsDigitsToDegrees(whole, fraction, degrees))
        return false;
    radians = AngleToRadians(negative ? -degrees : degrees, TAngleUnit::Degree);
    return true;
}

std::string_view AngleUnitName(TAngleUnit unit) {
    switch (unit) {
    case TAngleUnit::Gon:
        return "gon";
    case TAngleUnit::Degree:
        return "degrees";
    case TAngleUnit::DegreeDms:
        return "degrees (ddd.mmss)";
    case TAngleUnit::Mil:
        return "mil";
    case TAngleUnit::Radian:
        return "radians";
    }
    return "";
}

TMessage NotAnAngle(std::string_view text) { return Say("'%1' is not a valid angle", TrimField(text)); }
