// pointbridge-cli transform: moves a job into another reference system, either through PROJ
// (--from-crs, --to-crs) or by a plane transformation fitted to common points (--common),
// and writes it as a point file. Heights, IDs and codes stay.
#include "app/cli/CliCrs.h"
#include "app/cli/CliLoad.h"
#include "crs/CrsError.h"
#include "crs/JobTransform.h"
#include "io/PointWrite.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "survey/transform/CommonPoints.h"
#include "text/NumText.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pointbridge-cli transform --from-crs CRS --to-crs CRS [options] IN OUT\n"
    "       pointbridge-cli transform --common SRC DST --method helmert|affine\n"
    "                                 [--exclude ID,...] [options] IN OUT\n"
    "  IN               the job: point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
    "  OUT              point file (.txt or .csv) to write\n"
    "  --from-crs CRS   the job's reference system, EPSG:NNNN\n"
    "  --to-crs CRS     the one it goes to. PROJ chooses the operation as cs2cs does; its\n"
    "                   name and stated accuracy are printed\n"
    "  --common SRC DST point files with the common points: the same ID in the job's system\n"
    "                   (SRC) and in the one it goes to (DST)\n"
    "  --method         helmert (shifts, rotation, scale: 2 or more pairs) or affine (a scale\n"
    "                   per axis and a skew besides: 3 or more pairs), by least squares;\n"
    "                   prints the parameters and a table of residuals (id, dX, dY, d in\n"
    "                   metres: DST minus the transformed SRC, tab-separated)\n"
    "  --exclude ID,... pairs left out of the fit; their residuals are listed apart\n";

struct Options {
    int from = 0, to = 0;
    std::string source, target;
    std::string method;
    std::vector<std::string> excluded;
    std::vector<std::string> files;
    TJobLoadOptions load;
};

int usage() {
    std::fputs(kUsage, stderr);
    std::fputs(kJobLoadUsage, stderr);
    return 2;
}

std::vector<std::string> splitIds(const char* text) {
    std::vector<std::string> ids;
    std::string id;
    for (const char* c = text;; ++c) {
        if (*c == ',' || !*c) {
            if (!id.empty())
                ids.push_back(id);
            id.clear();
            if (!*c)
                return ids;
        } else {
            id += *c;
        }
    }
}

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (const int taken = TakeJobLoadOption(argc, argv, i, o.load)) {
            if (taken < 0)
                return false;
        } else if ((a == "--from-crs" || a == "--to-crs") && hasValue) {
            if (!ParseCrsOption(argv[i], argv[i + 1], a == "--from-crs" ? o.from : o.to))
                return false;
            ++i;
        } else if (a == "--common" && i + 2 < argc) {
            o.source = argv[++i];
            o.target = argv[++i];
        } else if (a == "--method" && hasValue) {
            o.method = argv[++i];
        } else if (a == "--exclude" && hasValue) {
            for (const std::string& id : splitIds(argv[++i]))
                o.excluded.push_back(id);
        } else if (a.rfind("--", 0) == 0) {
            return false;
        } else {
            o.files.push_back(a);
        }
    }
    const bool byCrs = o.from || o.to;
    const bool byPairs = !o.source.empty();
    if (o.files.size() != 2 || byCrs == byPairs || (byCrs && !(o.from && o.to)))
        return false;
    if (byPairs && o.method != "helmert" && o.method != "affine")
        return false;
    return byPairs || (o.method.empty() && o.excluded.empty());
}

// FormatFixed without the sign of a value that rounds to nothing ("-0.0000").
std::string fixed(double value, int decimals) {
    std::string text = FormatFixed(value, decimals);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

bool writesPointFile(const std::string& path) {
    const std::string upper = UpperAscii(path);
    return upper.size() > 4 && (upper.ends_with(".TXT") || upper.ends_with(".CSV"));
}

void byCrs(const Options& o, TNCADProject& job) {
    // A point file keeps four decimals, some ten metres in degrees.
    if (DescribeCrs(o.to).Geographic)
        throw ECrsError(EpsgText(o.to) + "은(는) 경위도(도) 좌표계라 소수 넷째 자리까지 쓰는 "
                                         "점 파일에 담으면 약 10 m가 틀어집니다.");
    const std::vector<TCrsOperation> used = TransformProject(job, o.from, o.to, o.load.Axes);
    std::printf("%s -> %s, %d points\n", EpsgText(o.from).c_str(), EpsgText(o.to).c_str(),
                job.TotalPointCount());
    for (const TCrsOperation& op : used)
        std::printf("operation: %s (%d points)\naccuracy: %s\n", op.Name.c_str(), op.Points,
                    AccuracyText(op.Accuracy).c_str());
}

void printResiduals(const TPlaneFit& fit, bool used) {
    std::printf("id\tdX\tdY\td\n");
    for (const TPairResidual& r : fit.Residuals)
        if (r.Used == used)
            std::printf("%s\t%s\t%s\t%s\n", r.ID.c_str(), fixed(r.DX, 4).c_str(),
                        fixed(r.DY, 4).c_str(), fixed(r.D, 4).c_str());
}

void printFit(const TPlaneFit& fit, TAxisOrder axes) {
    const TTransformTerms t = DescribeTransform(fit.Transform);
    const bool helmert = fit.Method == TFitMethod::Helmert;
    const int left = static_cast<int>(fit.Residuals.size()) - fit.Used;
    std::printf("%s fit of %d common points", helmert ? "helmert" : "affine", fit.Used);
    if (left > 0)
        std::printf(" (%d left out)", left);
    std::printf("\nshift X: %s m\nshift Y: %s m\n", fixed(t.ShiftX, 4).c_str(),
                fixed(t.ShiftY, 4).c_str());
    // +X toward +Y turns the map's way round or against it, as X is easting or northing.
    std::printf("rotation: %s\" (positive: %s on the map)\n", fixed(t.RotationSeconds, 3).c_str(),
                axes == TAxisOrder::XEast ? "counter-clockwise" : "clockwise");
    if (helmert) {
        std::printf("scale: %s ppm\n", fixed(t.ScalePpm, 3).c_str());
    } else {
        std::printf("scale X: %s ppm\nscale Y: %s ppm\nskew: %s\"\n", fixed(t.ScalePpm, 3).c_str(),
                    fixed(t.ScaleYPpm, 3).c_str(), fixed(t.SkewSeconds, 3).c_str());
    }
    std::printf("RMS: %s m\n\n", fixed(fit.Rms, 4).c_str());
    printResiduals(fit, true);
    if (left > 0) {
        std::printf("\nleft out of the fit:\n");
        printResiduals(fit, false);
    }
}

bool byPairs(const Options& o, TNCADProject& job) {
    // Instrument files of common points take the job's axes; its --from is the job's alone.
    TJobLoadOptions pairsLoad;
    pairsLoad.Axes = o.load.Axes;
    TNCADProject source, target;
    if (!LoadJobFileOrReport(o.source, source, "pointbridge-cli transform", pairsLoad) ||
        !LoadJobFileOrReport(o.target, target, "pointbridge-cli transform", pairsLoad))
        return false;
    std::vector<TCommonPair> pairs = MatchCommonPoints(source, target);
    ExcludePairs(pairs, o.excluded);
    const TPlaneFit fit =
        FitPlaneTransform(pairs, o.method == "helmert" ? TFitMethod::Helmert : TFitMethod::Affine);
    printFit(fit, o.load.Axes);
    ApplyPlaneTransform(job, fit.Transform);
    return true;
}

} // namespace

int RunTransformCommand(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o))
        return usage();
    const std::string& out = o.files[1];
    if (!writesPointFile(out)) {
        std::fprintf(stderr,
                     "pointbridge-cli: transform writes a point file (.txt or .csv), not '%s'\n",
                     out.c_str());
        return 2;
    }
    TNCADProject job;
    if (!LoadJobFileOrReport(o.files[0], job, "pointbridge-cli transform", o.load))
        return 1;
    try {
        if (o.source.empty())
            byCrs(o, job);
        else if (!byPairs(o, job))
            return 1;
        SavePointFile(job, out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
