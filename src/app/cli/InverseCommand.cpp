// pointbridge-cli inverse FILE ID1 ID2: distance and azimuth from one point of a job to
// another, as a table for scripts.
#include "app/cli/CliLoad.h"
#include "app/cli/CliPoints.h"
#include "formats/Angles.h"
#include "model/NCADProject.h"
#include "text/NumText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: pointbridge-cli inverse [--from FORMAT] [--keep-going] FILE ID1 ID2\n"
                      "  FILE           point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
                      "  ID1 ID2        the points from and to, each the only one of its id\n";

const char kUsageOutput[] =
    "\n"
    "Prints key<TAB>value lines: from, to, distance_m (horizontal), azimuth_dms and\n"
    "azimuth_deg (from north clockwise), dx_m, dy_m, dz_m (to less from, in the job's X, Y\n"
    "and Z) and slope_m.\n";

int usage(FILE* out) {
    std::fputs(kUsage, out);
    std::fputs(kJobLoadUsage, out);
    std::fputs(kUsageOutput, out);
    return out == stdout ? 0 : 2;
}

} // namespace

int RunInverseCommand(int argc, char** argv) {
    std::vector<std::string> args;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return usage(stdout);
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (argv[i][0] == '-' && args.empty()) {
            return usage(stderr);
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.size() != 3)
        return usage(stderr);
    TNCADProject project;
    if (!LoadJobFileOrReport(args[0], project, "pointbridge-cli inverse", load))
        return 1;
    TGridPoint from, to;
    if (!FindJobPoint(project, args[1], from, load.Axes) || !FindJobPoint(project, args[2], to, load.Axes))
        return 1;
    const TInverse r = Inverse(from, to);
    std::printf("from\t%s\nto\t%s\n", args[1].c_str(), args[2].c_str());
    std::printf("distance_m\t%s\n", FormatFixed4(r.Distance).c_str());
    std::printf("azimuth_dms\t%s\n", FormatDms(r.Azimuth, 1).c_str());
    std::printf("azimuth_deg\t%s\n", FormatFixed(r.Azimuth * 180.0 / kPi, 6).c_str());
    double dx = 0, dy = 0;
    FromEastNorth({r.DE, r.DN}, load.Axes, dx, dy);
    std::printf("dx_m\t%s\ndy_m\t%s\ndz_m\t%s\n", FormatFixed4(dx).c_str(), FormatFixed4(dy).c_str(),
                FormatFixed4(r.DH).c_str());
    std::printf("slope_m\t%s\n", FormatFixed4(r.Slope).c_str());
    return std::fflush(stdout) == 0 ? 0 : 1;
}
