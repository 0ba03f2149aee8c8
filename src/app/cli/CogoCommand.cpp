// pointbridge-cli cogo polar|bearings|distances FILE ...: points by azimuth and distance
// from a point of a job, or where two bearings or two distances from two points meet.
#include "app/cli/CliLoad.h"
#include "app/cli/CliPoints.h"
#include "model/NCADProject.h"
#include "text/NumText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pointbridge-cli cogo polar     [options] FILE ID AZIMUTH DISTANCE\n"
    "       pointbridge-cli cogo bearings  [options] FILE ID1 AZIMUTH1 ID2 AZIMUTH2\n"
    "       pointbridge-cli cogo distances [options] FILE ID1 DISTANCE1 ID2 DISTANCE2\n"
    "  FILE           point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
    "  AZIMUTH        from north clockwise as ddd.mmss (123.4530 is 123 deg 45' 30\")\n"
    "  DISTANCE       horizontal, metres\n";

const char kUsageOutput[] =
    "\n"
    "Prints the header X<TAB>Y and one line per point found (the job's X and Y, metres):\n"
    "one for polar and bearings, one or two for distances (the one right of ID1 to ID2\n"
    "first). Where there is none (parallel bearings, bearings that meet behind a point,\n"
    "circles that do not meet) it says so on standard error and exits 1.\n";

int usage(FILE* out) {
    std::fputs(kUsage, out);
    std::fputs("options:\n", out);
    std::fputs(kJobLoadUsage, out);
    std::fputs(kUsageOutput, out);
    return out == stdout ? 0 : 2;
}

bool value(const std::string& text, bool angle, double& out) {
    if (angle ? ParseDmsArgument(text.c_str(), out) : ParseLengthArgument(text.c_str(), out))
        return true;
    std::fprintf(stderr, "pointbridge-cli cogo: '%s' is not %s\n", text.c_str(),
                 angle ? "an azimuth as ddd.mmss" : "a distance in metres");
    return false;
}

// args: the subcommand's name, FILE, then its values; 0 when done, else the exit status.
int compute(const std::vector<std::string>& args, const TJobLoadOptions& load, std::vector<TGridPoint>& found) {
    const std::string& what = args[0];
    const bool polar = what == "polar", bearings = what == "bearings";
    if (!polar && !bearings && what != "distances")
        return usage(stderr);
    if (args.size() != (polar ? 5u : 6u))
        return usage(stderr);
    double first = 0.0, second = 0.0;
    if (!value(args[3], polar || bearings, first) || !value(args[polar ? 4 : 5], bearings, second))
        return 1;
    TNCADProject project;
    if (!LoadJobFileOrReport(args[1], project, "pointbridge-cli cogo", load))
        return 1;
    TGridPoint a, b;
    if (!FindJobPoint(project, args[2], a, load.Axes) ||
        (!polar && !FindJobPoint(project, args[4], b, load.Axes)))
        return 1;
    if (polar) {
        found.push_back(PolarPoint(a, first, second));
    } else if (bearings) {
        if (const auto p = IntersectBearings(a, first, b, second))
            found.push_back(*p);
        else
            std::fprintf(stderr, "pointbridge-cli cogo: the bearings do not meet ahead of both points\n");
    } else {
        found = IntersectDistances(a, first, b, second);
        if (found.empty())
            std::fprintf(stderr, "pointbridge-cli cogo: no point lies at both distances\n");
    }
    return found.empty() ? 1 : 0;
}

} // namespace

int RunCogoCommand(int argc, char** argv) {
    std::vector<std::string> args;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return usage(stdout);
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (argv[i][0] == '-' && args.size() < 2) {
            return usage(stderr);
        } else {
            args.push_back(argv[i]);
        }
    }
    if (args.empty())
        return usage(stderr);
    std::vector<TGridPoint> found;
    if (const int status = compute(args, load, found))
        return status;
    std::printf("X\tY\n");
    for (const TGridPoint& p : found) {
        double x = 0, y = 0;
        FromEastNorth({p.E, p.N}, load.Axes, x, y);
        std::printf("%s\t%s\n", FormatFixed4(x).c_str(), FormatFixed4(y).c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
