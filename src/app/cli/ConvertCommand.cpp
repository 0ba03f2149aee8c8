// pointbridge-cli convert [--from FORMAT] [--keep-going] IN OUT [--layers [--scale N]]: a
// point file or an instrument file read with the import's rules, written as the save dialog
// writes it. Nothing is written when IN has a faulty line or a record left out, unless
// --keep-going.
#include "app/cli/CliLoad.h"
#include "app/cli/GisConvert.h"
#include "io/PointWrite.h"
#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayers.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "model/PlanProject.h"
#include "text/NumText.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Writer = std::function<void(const TNCADProject& project, const std::string& path)>;

void writePointFile(const TNCADProject& project, const std::string& path) {
    SavePointFile(project, path);
}

// Output formats by the (case-blind) extension of OUT. A new format is one more line here.
struct Output {
    const char* extension; // upper case
    void (*write)(const TNCADProject& project, const std::string& path);
};
const Output kOutputs[] = {
    {".TXT", writePointFile},
    {".CSV", writePointFile},
    {".DXF", ConvertToDxf}, // extents of a fit of the whole project
};

bool endsWith(const std::string& path, const char* extension) {
    const std::string upper = UpperAscii(path);
    const size_t n = std::strlen(extension);
    return upper.size() > n && upper.compare(upper.size() - n, n, extension) == 0;
}

Writer writerFor(const std::string& path) {
    for (const Output& o : kOutputs)
        if (endsWith(path, o.extension))
            return o.write;
    return nullptr;
}

int usage() {
    std::fprintf(stderr, "usage: pointbridge-cli convert [--from FORMAT] [--keep-going]\n"
                         "                              [--x-axis east|north] IN OUT\n"
                         "                              [--layers [--scale N]]\n"
                         "  IN        point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
                         "  OUT       file to write; its extension picks the format:");
    for (const Output& o : kOutputs)
        std::fprintf(stderr, " %s", o.extension);
    std::fprintf(stderr, "\n"
                         "  --layers  OUT.dxf for CAD work: a layer per code with points (with\n"
                         "            heights) and lines, labels on the layers PT_ID, PT_CODE and\n"
                         "            PT_Z, units metres (AutoCAD 2000 DXF)\n"
                         "  --scale N the plot scale 1:N the labels are sized for: %g mm on paper,\n"
                         "            so N/%g m in the drawing (default 500: %g m)\n",
                 kDxfLabelPaperHeight, 1000 / kDxfLabelPaperHeight, DxfLabelHeight(500));
    std::fputs(kJobLoadUsage, stderr);
    std::fputs(kGisConvertHint, stderr);
    return 2;
}

} // namespace

int RunConvertCommand(int argc, char** argv) {
    if (NamesGisFile(argc, argv))
        return RunGisConvert(argc, argv);
    std::vector<std::string> files;
    bool layers = false;
    double scale = 0;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (!std::strcmp(argv[i], "--layers")) {
            layers = true;
        } else if (!std::strcmp(argv[i], "--scale") && i + 1 < argc) {
            if (!TryStrToFloat(argv[++i], scale) || !(scale > 0))
                return usage();
        } else if (!std::strncmp(argv[i], "--", 2)) {
            return usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.size() != 2 || (scale > 0 && !layers))
        return usage();
    const std::string& in = files[0];
    const std::string& out = files[1];
    Writer write = writerFor(out);
    if (layers && !endsWith(out, ".DXF")) {
        std::fprintf(stderr, "pointbridge-cli: --layers writes a .dxf file, not '%s'\n", out.c_str());
        return usage();
    }
    if (layers) {
        write = [scale](const TNCADProject& project, const std::string& path) {
            TDXFLayerOptions options;
            options.TextHeight = DxfLabelHeight(scale > 0 ? scale : 500);
            options.Extents = FitExtents(project);
            WriteLayeredDxfFile(path, project, options);
        };
    }
    if (!write) {
        std::fprintf(stderr, "pointbridge-cli: cannot tell the format of '%s'\n", out.c_str());
        return usage();
    }
    TNCADProject project;
    if (!LoadJobFileOrReport(in, project, "pointbridge-cli", load))
        return 1;
    try {
        // A drawing has easting to the right whatever the job's X holds; a point file keeps
        // X and Y as they are.
        const TPlanProject plan(project, endsWith(out, ".DXF") ? load.Axes : TAxisOrder::XEast);
        write(*plan, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
