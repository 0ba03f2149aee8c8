// pointbridge-cli plot IN OUT.pdf: the plan of a point file to scale as a PDF, the sheet the
// 도면 출력 dialog writes, with all five layers. Needs no display.
#include "app/cli/CliLoad.h"
#include "app/cli/CliPaint.h"
#include "io/SafeFile.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "model/PlanProject.h"
#include "view/PlotPainter.h"

#include <QFile>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct PlotOptions {
    std::string in;
    std::string out;
    int scale = 0; // 0: the largest standard scale that fits
    PlotSheet sheet;
    TJobLoadOptions load;
};

int usage() {
    std::fprintf(
        stderr, "usage: pointbridge-cli plot IN OUT.pdf [--scale N] [--paper A4|A3] [--landscape]\n"
                "                                  [--from FORMAT] [--keep-going] [--x-axis east|north]\n"
                "  IN          point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
                "  --scale N   plot at 1:N, N from 100 to 5000; without it the largest of the\n"
                "              standard scales at which the job fits the sheet\n"
                "  --paper     A4 (default) or A3\n"
                "  --landscape the long side across (default portrait)\n");
    std::fputs(kJobLoadUsage, stderr);
    return 2;
}

bool parseScale(const char* text, int& scale) {
    const char* end = text + std::strlen(text);
    const auto res = std::from_chars(text, end, scale);
    return res.ec == std::errc() && res.ptr == end && scale >= 100 && scale <= 5000;
}

bool parse(int argc, char** argv, PlotOptions& o) {
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (const int taken = TakeJobLoadOption(argc, argv, i, o.load)) {
            if (taken < 0)
                return false;
        } else if (a == "--scale" && hasValue) {
            if (!parseScale(argv[++i], o.scale)) {
                std::fprintf(
                    stderr,
                    "pointbridge-cli plot: --scale wants N of 1:N from 100 to 5000, not '%s'\n",
                    argv[i]);
                return false;
            }
        } else if (a == "--paper" && hasValue) {
            const std::string paper = UpperAscii(argv[++i]);
            if (paper != "A4" && paper != "A3") {
                std::fprintf(stderr, "pointbridge-cli plot: --paper is A4 or A3, not '%s'\n",
                             argv[i]);
                return false;
            }
            o.sheet.Paper = paper == "A3" ? PaperSize::A3 : PaperSize::A4;
        } else if (a == "--landscape") {
            o.sheet.Landscape = true;
        } else if (a == "--help" || a == "-h") {
            return false; // the usage says it all
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "pointbridge-cli plot: unknown option or missing value '%s'\n",
                         a.c_str());
            return false;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return false;
    o.in = files[0];
    o.out = files[1];
    return true;
}

std::string sheetName(const PlotSheet& sheet) {
    return std::string(PaperName(sheet.Paper)) + (sheet.Landscape ? " landscape" : " portrait");
}

// Says why the job does not go on the sheet and what would.
void reportMisfit(const PlotSheet& sheet, int scale, const WorldBounds& bounds) {
    std::fprintf(stderr, "pointbridge-cli plot: the job (%.1f m x %.1f m) does not fit %s",
                 bounds.Width(), bounds.Height(), sheetName(sheet).c_str());
    if (scale > 0)
        std::fprintf(stderr, " at 1:%d", scale);
    const int fitting = ChooseScale(sheet, bounds);
    if (fitting > 0)
        std::fprintf(stderr, "; at 1:%d it fits\n", fitting);
    else
        std::fprintf(stderr, " at any scale up to 1:5000; it needs 1:%.0f or smaller\n",
                     std::ceil(SmallestFittingScale(sheet, bounds)));
}

} // namespace

int RunPlotCommand(int argc, char** argv) {
    PlotOptions o;
    if (!parse(argc, argv, o))
        return usage();

    TNCADProject job;
    if (!LoadJobFileOrReport(o.in, job, "pointbridge-cli plot", o.load))
        return 1;
    // North up whatever the job's X holds.
    const TPlanProject plan(job, o.load.Axes);
    const TNCADProject& project = *plan;
    const WorldBounds bounds = BoundsOf(project);
    const int scale = o.scale > 0 ? o.scale : ChooseScale(o.sheet, bounds);
    const PlotLayout layout(o.sheet, scale, bounds);
    if (scale == 0 || !layout.Fits()) {
        reportMisfit(o.sheet, o.scale, bounds);
        return 1;
    }

    const auto painting = StartPainting();
    try {
        // OUT is refused before the drawing, should it not be writable.
        TSafeFileWriter file(o.out);
        const PlotPainter painter(project, layout, {true, true, true, true, true},
                                  PlotTitle::ForJob(QFile::decodeName(o.in.c_str())));
        painter.WritePdf([&](std::string_view bytes) { file.Write(bytes); });
        file.Commit();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli plot: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "%d points at 1:%d on %s into %s\n", project.TotalPointCount(), scale,
                 sheetName(o.sheet).c_str(), o.out.c_str());
    return 0;
}
