// pointbridge-cli convert [--from FORMAT] [--keep-going] IN OUT: a point file or an
// instrument file read with the import's rules, written as the save dialog writes it.
// Nothing is written when IN has a faulty line or a record left out, unless --keep-going.
#include "formats/InstrumentFormat.h"
#include "io/DXFFile.h"
#include "io/FileError.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "io/PointWrite.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using Writer = void (*)(const TNCADProject& project, const std::string& path);

void writePointFile(const TNCADProject& project, const std::string& path) {
    SavePointFile(project, path);
}

// Output formats by the (case-blind) extension of OUT. A new format is one more line here.
struct Output {
    const char* extension; // upper case
    Writer write;
};
const Output kOutputs[] = {
    {".TXT", writePointFile},
    {".CSV", writePointFile},
    {".DXF", ConvertToDxf}, // extents of a fit of the whole project
};

Writer writerFor(const std::string& path) {
    const std::string upper = UpperAscii(path);
    for (const Output& o : kOutputs) {
        const size_t n = std::strlen(o.extension);
        if (upper.size() > n && upper.compare(upper.size() - n, n, o.extension) == 0)
            return o.write;
    }
    return nullptr;
}

int usage() {
    std::fprintf(stderr, "usage: pointbridge-cli convert [--from FORMAT] [--keep-going] IN OUT\n"
                         "  IN   point file (.txt or .csv, CP949 or UTF-8) or instrument file,\n"
                         "       whose format is detected unless --from names one (pointbridge-cli formats)\n"
                         "  OUT  file to write; its extension picks the format:");
    for (const Output& o : kOutputs)
        std::fprintf(stderr, " %s", o.extension);
    std::fprintf(stderr, "\n  --keep-going  write OUT even when records of IN had to be left out\n");
    return 2;
}

// Instrument data into `project`; false when records were left out and that stops us.
bool importInstrument(const std::string& in, std::string_view bytes, const TFormatChoice& choice,
                      TNCADProject& project, bool keepGoing) {
    const TInstrumentImport result = ImportInstrumentData(bytes, choice, project, nullptr);
    for (const TLineMessage& m : result.Notes) {
        if (m.Line > 0)
            std::fprintf(stderr, "%s:%d: note: %s\n", in.c_str(), m.Line, m.Text.c_str());
        else
            std::fprintf(stderr, "%s: note: %s\n", in.c_str(), m.Text.c_str());
    }
    for (const TLineMessage& m : result.Problems)
        std::fprintf(stderr, "%s:%d: %s\n", in.c_str(), m.Line, m.Text.c_str());
    return keepGoing || result.Problems.empty();
}

} // namespace

int RunConvertCommand(int argc, char** argv) {
    std::optional<TFormatChoice> from;
    bool keepGoing = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--from" && i + 1 < argc) {
            from = FormatByName(argv[++i]);
            if (!from) {
                std::fprintf(stderr, "pointbridge-cli: unknown format '%s' (pointbridge-cli formats lists them)\n",
                             argv[i]);
                return 2;
            }
        } else if (arg == "--keep-going") {
            keepGoing = true;
        } else if (arg.rfind("--", 0) == 0) {
            return usage();
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2)
        return usage();
    const std::string& in = files[0];
    const std::string& out = files[1];
    const Writer write = writerFor(out);
    if (!write) {
        std::fprintf(stderr, "pointbridge-cli: cannot tell the format of '%s'\n", out.c_str());
        return usage();
    }
    try {
        TNCADProject project;
        const TPointLines lines = TPointLines::LoadFile(in);
        const TFormatChoice choice = ChooseFormat(lines.Text(), from);
        if (choice.Format == TInstrumentFormat::PointLines)
            ImportPointLines(lines, project, nullptr);
        else if (!importInstrument(in, lines.Text(), choice, project, keepGoing))
            return 1;
        write(project, out);
    } catch (const EPointLineError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", in.c_str(), e.Line(), e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli: %s\n", e.what());
        return 1;
    }
    return 0;
}
