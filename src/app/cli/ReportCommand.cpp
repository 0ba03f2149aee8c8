// pointbridge-cli report points|area|traverse FILE OUT.pdf: the office's printed sheets as
// PDF, the ones the 측량 계산 menu previews and prints. Needs no display.
#include "app/cli/CliLoad.h"
#include "app/cli/CliPaint.h"
#include "app/cli/CliPoints.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "io/SafeFile.h"
#include "model/CodeText.h"
#include "model/Measure.h"
#include "model/NCADProject.h"
#include "report/SurveyReports.h"
#include "survey/AreaSheet.h"
#include "survey/Observations.h"
#include "survey/TraverseRoute.h"

#include <QFile>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: pointbridge-cli report points|area|traverse FILE OUT.pdf [options]\n"
    "  points         좌표 성과표: ID, X, Y, Z and CODE of every point in the table's order\n"
    "  area           좌표 면적 계산부: the area of a closed code group by coordinates\n"
    "  traverse       트래버스 계산부: the traverse of an instrument file adjusted, the\n"
    "                 stations' X and Y as --x-axis says\n"
    "  FILE           point file (.txt or .csv, CP949 or UTF-8) or instrument file\n"
    "  OUT.pdf        the report, A4 portrait; an existing file is replaced only once the\n"
    "                 report is whole\n"
    "  --code CODE    area: the group (a-z read as A-Z, as the import spells codes); without\n"
    "                 it the one group whose last point is back on its first\n"
    "  --closed       area: treat the group as closed although its last point is not back\n"
    "                 on its first\n"
    "  --route IDS    traverse: the stations in order, as for pointbridge-cli traverse\n"
    "  --rule RULE    traverse: compass (the default) or transit\n";

int usage(FILE* out) {
    std::fputs(kUsage, out);
    std::fputs(kJobLoadUsage, out);
    return out == stdout ? 0 : 2;
}

struct ReportOptions {
    std::string kind, in, out;
    std::optional<std::string> code;
    bool closed = false;
    std::vector<std::string> route;
    TTraverseRule rule = TTraverseRule::Compass;
    TJobLoadOptions load;
};

// 0 parsed, else the exit status.
int parse(int argc, char** argv, ReportOptions& o) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-h" || a == "--help")
            return usage(stdout) == 0 ? -1 : 2;
        if (const int taken = TakeJobLoadOption(argc, argv, i, o.load)) {
            if (taken < 0)
                return 2;
        } else if (a == "--code" && i + 1 < argc) {
            o.code = UpperAscii(argv[++i]);
        } else if (a == "--closed") {
            o.closed = true;
        } else if (a == "--route" && i + 1 < argc) {
            o.route = SplitIdList(argv[++i]);
        } else if (a == "--rule" && i + 1 < argc) {
            if (!ParseRuleName(argv[++i], o.rule))
                return usage(stderr);
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "pointbridge-cli report: unknown option or missing value '%s'\n", a.c_str());
            return usage(stderr);
        } else {
            words.push_back(a);
        }
    }
    if (words.size() != 3 || (words[0] != "points" && words[0] != "area" && words[0] != "traverse"))
        return usage(stderr);
    o.kind = words[0];
    o.in = words[1];
    o.out = words[2];
    // A report written over the job by a slip of the arguments would lose the job.
    if (UpperAscii(o.out).size() < 5 || !UpperAscii(o.out).ends_with(".PDF")) {
        std::fprintf(stderr, "pointbridge-cli report: '%s': the report is written to a .pdf file\n", o.out.c_str());
        return 2;
    }
    return 0;
}

// The rows as the point table would show them.
class RowCollector : public TPointRowSink {
public:
    void AppendPointRow(const std::string (&cells)[5], TPoint3D*) override {
        Rows.push_back({cells[0], cells[1], cells[2], cells[3], cells[4]});
    }
    std::vector<TPointRow> Rows;
};

std::optional<TReport> pointsReport(const ReportOptions& o, const PlotTitle& title) {
    TNCADProject project;
    RowCollector rows;
    if (!LoadJobFileOrReport(o.in, project, "pointbridge-cli report", o.load, &rows))
        return std::nullopt;
    return PointListReport(std::move(rows.Rows), title);
}

const char* areaProblem(TAreaState state) {
    switch (state) {
    case TAreaState::Open:
        return "is not closed (its last point is not back on its first; --closed treats it as closed)";
    case TAreaState::SelfCrossing:
        return "has sides that cross or touch: no area";
    case TAreaState::OutOfRange:
        return "has coordinates too large to compute an area";
    default:
        return "has fewer than three corners, or all on one line: no area";
    }
}

// The group --code names, else the one group that closes by its own points.
const TNCADItem* chooseGroup(const TNCADProject& project, const ReportOptions& o) {
    if (o.code) {
        int index = -1;
        if (const TNCADItem* group = project.FindItemByCode(*o.code, index))
            return group;
        std::fprintf(stderr, "pointbridge-cli report: no code group '%s' in %s\n", o.code->c_str(), o.in.c_str());
        return nullptr;
    }
    std::vector<const TNCADItem*> closed;
    std::string names;
    for (const auto& group : project)
        if (MeasureGroup(*group, false).ClosesItself) {
            closed.push_back(group.get());
            names += (names.empty() ? "" : ", ") + (group->Code().empty() ? std::string("(no code)") : group->Code());
        }
    if (closed.size() == 1)
        return closed.front();
    if (closed.empty())
        std::fprintf(stderr, "pointbridge-cli report: no code group of %s is closed; name one with --code (and --closed)\n",
                     o.in.c_str());
    else
        std::fprintf(stderr, "pointbridge-cli report: %zu code groups are closed (%s); name one with --code\n",
                     closed.size(), names.c_str());
    return nullptr;
}

std::optional<TReport> areaReport(const ReportOptions& o, const PlotTitle& title) {
    TNCADProject project;
    if (!LoadJobFileOrReport(o.in, project, "pointbridge-cli report", o.load))
        return std::nullopt;
    const TNCADItem* group = chooseGroup(project, o);
    if (!group)
        return std::nullopt;
    const TAreaSheet sheet = AreaSheetOf(*group, o.closed);
    if (sheet.State != TAreaState::Valid) {
        std::fprintf(stderr, "pointbridge-cli report: the group '%s' %s\n", group->Code().c_str(), areaProblem(sheet.State));
        return std::nullopt;
    }
    return AreaReport(sheet, group->Code(), title);
}

std::optional<TReport> traverseReport(const ReportOptions& o, const PlotTitle& title) {
    const TPointLines bytes = TPointLines::LoadFile(o.in);
    const TFormatChoice choice = ChooseFormat(bytes.Text(), o.load.From);
    if (choice.Format == TInstrumentFormat::PointLines) {
        std::fprintf(stderr, "%s: not an instrument file: a traverse needs the observations\n", o.in.c_str());
        return std::nullopt;
    }
    const TObservationLog log = ReadObservations(bytes.Text(), choice);
    PrintLineMessages(o.in, log.Notes(), "note: ");
    PrintLineMessages(o.in, log.Problems(), "");
    if (!log.Problems().empty() && !o.load.KeepGoing)
        return std::nullopt;
    const TTraverseResult result = AdjustTraverse(TraverseFromLog(log, o.route), o.rule);
    return TraverseReport(result, o.load.Axes, title);
}

} // namespace

int RunReportCommand(int argc, char** argv) {
    ReportOptions o;
    if (const int status = parse(argc, argv, o))
        return status < 0 ? 0 : status;
    const auto painting = StartPainting();
    try {
        const PlotTitle title = PlotTitle::ForJob(QFile::decodeName(o.in.c_str()));
        const std::optional<TReport> report = o.kind == "points" ? pointsReport(o, title)
                                              : o.kind == "area" ? areaReport(o, title)
                                                                 : traverseReport(o, title);
        if (!report)
            return 1;
        TSafeFileWriter file(o.out);
        report->WritePdf([&](std::string_view bytes) { file.Write(bytes); });
        file.Commit();
        std::fprintf(stderr, "%s: %d page(s) into %s\n", report->Name().toStdString().c_str(), report->PageCount(),
                     o.out.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli report: %s\n", e.what());
        return 1;
    }
    return 0;
}
