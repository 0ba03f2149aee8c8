#pragma once

// pointbridge-cli convert IN OUT.gpkg|.shp|.geojson|.kml --crs CRS: the convert command's
// branch for GIS files, which has options of its own.

// True when an argument names a GIS file.
bool NamesGisFile(int argc, char** argv);
int RunGisConvert(int argc, char** argv);
// The line convert's own usage shows for it.
extern const char kGisConvertHint[];
