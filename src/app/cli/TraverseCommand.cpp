// pointbridge-cli traverse [--route ID,ID,...] [--rule compass|transit] FILE [OUT]: the
// traverse of an instrument file adjusted; its misclosures and stations as a table for
// scripts, and the adjusted job written to OUT.
#include "app/cli/CliLoad.h"
#include "app/cli/CliPoints.h"
#include "formats/Angles.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "io/PointWrite.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "survey/AdjustedJob.h"
#include "survey/Observations.h"
#include "survey/TraverseRoute.h"
#include "text/NumText.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pointbridge-cli traverse [--route ID,ID,...] [--rule compass|transit]\n"
    "                                [--from FORMAT] [--keep-going] FILE [OUT]\n"
    "  FILE           instrument file with the traverse's observations\n"
    "  OUT            point file (.txt or .csv) to write the adjusted job to: every point\n"
    "                 of FILE, the side shots reduced from the adjusted stations\n"
    "  --route IDS    the stations in order, first and last known (the same for a loop);\n"
    "                 without it the longest run of set-ups that observe each other\n"
    "  --rule RULE    how the closure is spread: compass (by leg length, the default) or\n"
    "                 transit (by latitude and departure)\n";

const char kUsageOutput[] =
    "\n"
    "Prints key<TAB>value lines angular_misclosure_sec (computed less known closing azimuth;\n"
    "none without a closing direction), linear_misclosure_m, total_length_m and precision\n"
    "(N of 1/N), then the header id<TAB>X<TAB>Y<TAB>Z and the adjusted stations in route\n"
    "order (the job's X and Y as --x-axis says, Z height, metres).\n";

int usage(FILE* out) {
    std::fputs(kUsage, out);
    std::fputs(kJobLoadUsage, out);
    std::fputs(kUsageOutput, out);
    return out == stdout ? 0 : 2;
}

bool isPointFile(const std::string& path) {
    const std::string upper = UpperAscii(path);
    return upper.size() > 4 && (upper.ends_with(".TXT") || upper.ends_with(".CSV"));
}

void printResult(const TTraverseResult& r, TAxisOrder axes) {
    constexpr double kSecondsPerRadian = 180.0 * 3600.0 / kPi;
    std::printf("angular_misclosure_sec\t%s\n",
                r.AngularMisclosure ? FormatFixed(*r.AngularMisclosure * kSecondsPerRadian, 1).c_str() : "none");
    std::printf("linear_misclosure_m\t%s\n", FormatFixed4(r.LinearMisclosure).c_str());
    std::printf("total_length_m\t%s\n", FormatFixed4(r.TotalLength).c_str());
    const double n = r.Precision();
    std::printf("precision\t%s\n", std::isfinite(n) ? FormatFixed(n, 0).c_str() : "inf");
    std::printf("id\tX\tY\tZ\n");
    const bool loop = r.Stations.size() > 2 && r.Stations.back().Id == r.Stations.front().Id;
    for (size_t i = 0; i + (loop ? 1 : 0) < r.Stations.size(); ++i) {
        const TTraverseStation& s = r.Stations[i];
        double x = 0, y = 0;
        FromEastNorth({s.E, s.N}, axes, x, y);
        std::printf("%s\t%s\t%s\t%s\n", s.Id.c_str(), FormatFixed4(x).c_str(), FormatFixed4(y).c_str(),
                    FormatFixed4(s.H).c_str());
    }
}

} // namespace

int RunTraverseCommand(int argc, char** argv) {
    std::vector<std::string> files, route;
    TTraverseRule rule = TTraverseRule::Compass;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return usage(stdout);
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (!std::strcmp(argv[i], "--route") && i + 1 < argc) {
            route = SplitIdList(argv[++i]);
        } else if (!std::strcmp(argv[i], "--rule") && i + 1 < argc) {
            if (!ParseRuleName(argv[++i], rule))
                return usage(stderr);
        } else if (argv[i][0] == '-' || files.size() == 2) {
            return usage(stderr);
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty())
        return usage(stderr);
    const std::string& in = files[0];
    if (files.size() == 2 && !isPointFile(files[1])) {
        std::fprintf(stderr, "pointbridge-cli traverse: '%s': the adjusted job is written as a .txt or .csv point file\n",
                     files[1].c_str());
        return 2;
    }
    try {
        const TPointLines bytes = TPointLines::LoadFile(in);
        const TFormatChoice choice = ChooseFormat(bytes.Text(), load.From);
        if (choice.Format == TInstrumentFormat::PointLines) {
            std::fprintf(stderr, "%s: not an instrument file: a traverse needs the observations\n", in.c_str());
            return 1;
        }
        const TObservationLog log = ReadObservations(bytes.Text(), choice);
        TTraverseInput input;
        try {
            input = TraverseFromLog(log, route);
        } catch (const ETraverse&) {
            PrintLineMessages(in, log.Notes(), "note: ");
            PrintLineMessages(in, log.Problems(), "");
            throw;
        }
        const TTraverseResult result = AdjustTraverse(input, rule);
        // The reduction's messages include the reader's.
        TInstrumentResult job = AdjustedPoints(log, input, result);
        PrintLineMessages(in, job.Notes, "note: ");
        PrintLineMessages(in, job.Warnings, "warning: ");
        PrintLineMessages(in, job.Problems, "");
        if (!job.Problems.empty() && !load.KeepGoing)
            return 1;
        if (files.size() == 2) {
            TNCADProject project;
            AppendSurveyPoints(job.Points, project, nullptr, load.Axes);
            SavePointFile(project, files[1]);
        }
        printResult(result, load.Axes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli traverse: %s\n", e.what());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
