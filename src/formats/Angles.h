#pragma once

#include "formats/Message.h"

#include <string>
#include <string_view>

// Angle units the instrument formats use, and their conversion to radians.
enum class TAngleUnit {
    Gon,       // 400 a circle
    Degree,    // decimal degrees
    DegreeDms, // degrees, minutes, seconds packed as ddd.mmss
    Mil,       // 6400 a circle
    Radian,
};

constexpr double kPi = 3.14159265358979323846;

// Angle text in `unit` to radians. DegreeDms reads ddd.mmss with further digits as
// decimals of the seconds (123.45305 is 123 deg 45' 30.5"); minutes or seconds of 60 and
// more are refused. False for text that is no angle.
bool ParseAngle(std::string_view text, TAngleUnit unit, double& radians);

// A value in `unit`, which must not be DegreeDms, to radians.
double AngleToRadians(double value, TAngleUnit unit);

// Packed degrees-minutes-seconds given as the digits before and after the point.
bool DmsDigitsToDegrees(std::string_view whole, std::string_view fraction, double& degrees);

// The unit's name for messages ("gon", "degrees (ddd.mmss)").
std::string_view AngleUnitName(TAngleUnit unit);

// The reason an angle field is refused: "'x' is not a valid angle".
TMessage NotAnAngle(std::string_view text);
