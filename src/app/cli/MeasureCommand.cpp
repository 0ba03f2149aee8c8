// pointbridge-cli measure [--closed CODE]... FILE: per code group the length of its line
// and, for a closed figure, its area and perimeter, as a table for scripts.
#include "app/cli/CliLoad.h"
#include "model/CodeText.h"
#include "model/Measure.h"
#include "model/NCADProject.h"
#include "text/NumText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

namespace {

const char kUsage[] =
    "usage: pointbridge-cli measure [--closed CODE]... [--from FORMAT] [--keep-going] FILE\n"
    "  FILE           point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
    "  --closed CODE  treat the group CODE as closed although its last point is not back\n"
    "                 on its first (a-z read as A-Z, as the import spells codes); may be\n"
    "                 given more than once\n";

const char kUsageOutput[] =
    "\n"
    "Prints a header line, then one line per code group in file order; fields are separated\n"
    "by tabs, text is UTF-8:\n"
    "  code points length_m closed area_m2 area_pyeong perimeter_m note\n"
    "closed is yes when the group has three or more points and its last point lies within\n"
    "1 mm of its first, or when --closed names it; otherwise no. Lengths (m) and areas (m2,\n"
    "and pyeong = 400/121 m2) have three decimals. Area and perimeter are empty for an open\n"
    "group. note is self-crossing (sides cross or touch: no area) or degenerate (fewer than\n"
    "three corners, or all on one line: no area), otherwise empty. A group whose coordinates\n"
    "are too large to measure has the note out of range, the values that cannot be computed\n"
    "left empty, and the exit code is 1.\n";

int usage(FILE* out) {
    std::fputs(kUsage, out);
    std::fputs(kJobLoadUsage, out);
    std::fputs(kUsageOutput, out);
    return out == stdout ? 0 : 2;
}

// A code is one field: the separators of the table never occur inside it.
std::string field(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return text;
}

const char* noteFor(TAreaState state) {
    switch (state) {
    case TAreaState::SelfCrossing:
        return "self-crossing";
    case TAreaState::Degenerate:
        return "degenerate";
    default:
        return "";
    }
}

// A value beyond the range of numbers is left empty rather than written as "inf".
std::string metres(double value) { return std::isfinite(value) ? FormatFixed(value, 3) : std::string(); }

// False when a value of the group is beyond the range of numbers (said on standard error).
bool printGroup(const TNCADItem& group, bool marked) {
    const TGroupMeasure m = MeasureGroup(group, marked);
    std::string area, pyeong, perimeter;
    if (m.State == TAreaState::Valid) {
        area = metres(m.Area);
        pyeong = metres(SquareMetresToPyeong(m.Area));
    }
    if (m.Closed)
        perimeter = metres(m.Perimeter);
    std::printf("%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\n", field(group.Code()).c_str(), m.Points,
                metres(m.Length).c_str(), m.Closed ? "yes" : "no", area.c_str(), pyeong.c_str(),
                perimeter.c_str(), m.OutOfRange ? "out of range" : noteFor(m.State));
    if (m.OutOfRange)
        std::fprintf(stderr, "pointbridge-cli measure: group '%s': the coordinates are too large to "
                             "measure; the values beyond the range of numbers are left empty\n",
                     group.Code().c_str());
    return !m.OutOfRange;
}

} // namespace

int RunMeasureCommand(int argc, char** argv) {
    std::set<std::string> closed;
    std::string file;
    TJobLoadOptions load;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return usage(stdout);
        if (const int taken = TakeJobLoadOption(argc, argv, i, load)) {
            if (taken < 0)
                return 2;
        } else if (!std::strcmp(argv[i], "--closed") && i + 1 < argc)
            closed.insert(UpperAscii(argv[++i])); // as the import spells codes
        else if (argv[i][0] == '-' || !file.empty())
            return usage(stderr);
        else
            file = argv[i];
    }
    if (file.empty())
        return usage(stderr);

    TNCADProject project;
    if (!LoadJobFileOrReport(file, project, "pointbridge-cli measure", load))
        return 1;
    // A mistyped code would otherwise leave its figure open without a word.
    for (const std::string& code : closed) {
        int index = -1;
        if (!project.FindItemByCode(code, index))
            std::fprintf(stderr, "pointbridge-cli measure: warning: --closed %s: %s has no code group %s\n",
                         code.c_str(), file.c_str(), code.c_str());
    }
    std::printf("code\tpoints\tlength_m\tclosed\tarea_m2\tarea_pyeong\tperimeter_m\tnote\n");
    bool allMeasured = true;
    for (const auto& group : project)
        allMeasured = printGroup(*group, closed.count(group->Code()) > 0) && allMeasured;
    return std::fflush(stdout) == 0 && allMeasured ? 0 : 1;
}
