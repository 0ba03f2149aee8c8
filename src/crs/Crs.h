#pragma once

#include <optional>
#include <string>
#include <string_view>

// A reference system, always named by its EPSG code.
struct TCrsInfo {
    int Epsg = 0;
    std::string Name;        // PROJ's name: "Korea 2000 / Central Belt 2010"
    bool Geographic = false; // longitude and latitude in degrees, else projected metres
    // The EPSG definition lists northing (latitude) before easting (longitude), as every
    // Korean TM system and EPSG:4326 do. PROJ takes and gives coordinates in that order.
    bool NorthFirst = false;
};

// "EPSG:5186" (any case) or "5186"; nothing else.
std::optional<int> ParseEpsgCode(std::string_view text);
// "EPSG:5186".
std::string EpsgText(int epsg);

// Looks the code up in PROJ's database. Only 2-D projected and geographic systems whose
// axes point east and north serve a plan; anything else throws ECrsError.
TCrsInfo DescribeCrs(int epsg);
