#pragma once

#include "io/dxf/DXFWriter.h"

#include <string>

class TNCADProject;

// Labels are this high on paper, millimetres.
inline constexpr double kDxfLabelPaperHeight = 2.5;
// Label height in drawing units (metres) for a plot at 1:`scale`: 1.25 m at 1:500.
constexpr double DxfLabelHeight(double scale) { return kDxfLabelPaperHeight * scale / 1000.0; }

struct TDXFLayerOptions {
    double TextHeight = DxfLabelHeight(500); // metres
    // The area the drawing opens on, world units.
    TDXFExtents Extents;
};

// The drawing for CAD work, beside the plain export: an AutoCAD 2000 DXF (AC1015, the first
// version that can say its units are metres) with one layer per code holding the code's
// points (POINT, with their heights) and its line (LWPOLYLINE, closed when the last point is
// back on the first); the labels as TEXT on the layers PT_ID, PT_CODE and PT_Z in a text
// style with a Hangul font. Text is CP949 and the header says so (ANSI_949). Reads the
// project and changes nothing in it.
void WriteLayeredDxf(TDXFSink& sink, const TNCADProject& project, const TDXFLayerOptions& options);

// Replaces the file at `path` as WriteDxfFile does: on failure the old file stays.
void WriteLayeredDxfFile(const std::string& path, const TNCADProject& project,
                         const TDXFLayerOptions& options, const TDXFProgress& progress = {});
