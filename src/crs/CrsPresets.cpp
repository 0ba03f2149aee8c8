#include "crs/CrsPresets.h"

#include <algorithm>

namespace {

// The Bessel belts 5173-5176 carry the 10.405" shift of their origins that cadastral maps
// were drawn on ("보정"); 2097 is the same central belt without it.
const TCrsPreset kPresets[] = {
    {5186, "GRS80 중부원점 (EPSG:5186)"},
    {5185, "GRS80 서부원점 (EPSG:5185)"},
    {5187, "GRS80 동부원점 (EPSG:5187)"},
    {5188, "GRS80 동해원점 (EPSG:5188)"},
    {5179, "UTM-K (EPSG:5179)"},
    {5174, "Bessel 중부원점 보정 (EPSG:5174)"},
    {5173, "Bessel 서부원점 보정 (EPSG:5173)"},
    {5175, "Bessel 제주 중부원점 보정 (EPSG:5175)"},
    {5176, "Bessel 동부원점 보정 (EPSG:5176)"},
    {2097, "Bessel 중부원점 (EPSG:2097)"},
    {4326, "WGS 84 경위도 (EPSG:4326)"},
    {32652, "WGS 84 UTM 52N (EPSG:32652)"},
};

} // namespace

std::span<const TCrsPreset> CrsPresets() {
    return kPresets;
}

const TCrsPreset* FindCrsPreset(int epsg) {
    const auto it = std::find_if(std::begin(kPresets), std::end(kPresets),
                                 [epsg](const TCrsPreset& p) { return p.Epsg == epsg; });
    return it == std::end(kPresets) ? nullptr : &*it;
}
