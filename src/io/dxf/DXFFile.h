#pragma once

#include "io/dxf/DXFWriter.h"

#include <functional>
#include <string>

class TNCADProject;

// Writes the drawing to `path`. The bytes go to a temporary file in the same folder, which
// is flushed to disk and then renamed over the target, so that a failed export never leaves a
// half file under the user's name: on failure the target is as it was, the temporary file is
// removed and EDXFWriteError names the path and the system's reason. An existing file is
// replaced without asking.
void WriteDxfFile(const std::string& path, const TNCADProject& project,
                  const TDXFExtents& extents, const TDXFProgress& progress = {});
// The same replacing for any drawing: `write` puts the whole file into the sink.
void ReplaceDxfFile(const std::string& path, const std::function<void(TDXFSink&)>& write,
                    const TDXFProgress& progress = {});

// The extents a fit of the whole project gives: the bounds of all points with a tenth of the
// span added on each side. A single point (or points on one line) gives a zero span on that
// axis; a project without points gives all zeros.
TDXFExtents FitExtents(const TNCADProject& project);

// Exports a project without a view (the command-line converter): WriteDxfFile with
// FitExtents.
void ConvertToDxf(const TNCADProject& project, const std::string& outPath);

// The short reason shown for a system error number: "Disk full", "File access denied",
// otherwise the system's own text.
std::string DxfSystemErrorText(int err);
