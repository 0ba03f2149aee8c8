#include "app/cli/CliLoad.h"

#include "app/cli/CliCrs.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

void printMessages(const std::string& path, const std::vector<TLineMessage>& messages,
                   const char* kind) {
    for (const TLineMessage& m : messages) {
        if (m.Line > 0)
            std::fprintf(stderr, "%s:%d: %s%s\n", path.c_str(), m.Line, kind, m.Text.c_str());
        else
            std::fprintf(stderr, "%s: %s%s\n", path.c_str(), kind, m.Text.c_str());
    }
}

} // namespace

const char kJobLoadUsage[] =
    "  --from FORMAT  read the job file in this format (pointbridge-cli formats lists them);\n"
    "                 without it an instrument format is detected, else point lines\n"
    "  --keep-going   go on when records of an instrument file had to be left out\n"
    "  --x-axis east|north  what the job's X holds: east (default) or north, as the Korean\n"
    "                 TM systems name their axes (X northing, Y easting). Instrument data\n"
    "                 puts northing into X under north; drawings, plots, DXF and GIS files\n"
    "                 draw easting to the right. Point files are read and written as they are\n";

int TakeJobLoadOption(int argc, char** argv, int& i, TJobLoadOptions& options) {
    if (!std::strcmp(argv[i], "--keep-going")) {
        options.KeepGoing = true;
        return 1;
    }
    if (!std::strcmp(argv[i], "--x-axis") && i + 1 < argc)
        return ParseAxisOption(argv[++i], options.Axes) ? 1 : -1;
    if (std::strcmp(argv[i], "--from") || i + 1 >= argc)
        return 0;
    options.From = FormatByName(argv[++i]);
    if (options.From)
        return 1;
    std::fprintf(stderr, "pointbridge-cli: unknown format '%s' (pointbridge-cli formats lists them)\n",
                 argv[i]);
    return -1;
}

bool LoadJobFile(const std::string& path, TNCADProject& project, TPointRowSink* rows,
                 const TJobLoadOptions& options) {
    const TPointLines lines = TPointLines::LoadFile(path);
    if (!lines.Mix().Empty()) {
        const bool utf8 = lines.Mix().Listed == TLineEncoding::Utf8;
        std::fprintf(stderr,
                     "%s: note: CP949 and UTF-8 lines are mixed; each line was read in its own "
                     "encoding. Read as %s (%d line(s)): %s; the others as %s\n",
                     path.c_str(), utf8 ? "UTF-8" : "CP949", lines.Mix().Count,
                     lines.Mix().LineList().c_str(), utf8 ? "CP949" : "UTF-8");
    }
    const TFormatChoice choice = ChooseFormat(lines.Text(), options.From);
    // A read without a point is an error (a wrong --from, an empty file): the output it
    // would give replaces nothing.
    auto noPoints = [&](std::size_t leftOut) {
        return std::runtime_error(path + ": " + NoPointsMessage(choice, leftOut).Render());
    };
    if (choice.Format == TInstrumentFormat::PointLines) {
        TDataEnd end;
        const int points = ImportPointLines(lines, project, rows, nullptr, &end);
        // The stop stays (instruments may mark the end so), but it is said.
        if (end.Line > 0)
            std::fprintf(stderr,
                         "%s:%d: warning: an empty line ends the data; %d line(s) after it were "
                         "not read\n",
                         path.c_str(), end.Line, end.Unread);
        if (points == 0)
            throw noPoints(0);
        return true;
    }
    const TInstrumentImport result = ImportInstrumentData(lines.Text(), choice, project, rows, options.Axes);
    printMessages(path, result.Notes, "note: ");
    printMessages(path, result.Warnings, "warning: ");
    printMessages(path, result.Problems, "");
    if (result.Points == 0)
        throw noPoints(result.Problems.size());
    // A warning leaves no point out: the points stand as the data gives them.
    return options.KeepGoing || result.Problems.empty();
}

bool LoadJobFileOrReport(const std::string& path, TNCADProject& project, const char* who,
                         const TJobLoadOptions& options, TPointRowSink* rows) {
    try {
        return LoadJobFile(path, project, rows, options);
    } catch (const EPointLineError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), e.Line(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", who, e.what());
    }
    return false;
}

void PrintLineMessages(const std::string& path, const std::vector<TLineMessage>& messages, const char* kind) {
    printMessages(path, messages, kind);
}
