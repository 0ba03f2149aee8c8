#pragma once

#include <span>

// The reference systems a Korean surveyor meets, for the chooser. Any other EPSG code is
// taken as well.
struct TCrsPreset {
    int Epsg;
    const char* Label; // UTF-8
};

// In the order the chooser lists them: the legal GRS80 belts (the central one first), UTM-K,
// the Bessel systems of old cadastral data, then WGS 84.
std::span<const TCrsPreset> CrsPresets();
// Null when the code is not a preset.
const TCrsPreset* FindCrsPreset(int epsg);
