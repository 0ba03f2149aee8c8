// pointbridge-cli convert IN OUT: a point file read with the import's rules, written as
// the save dialog writes it. Nothing is written when IN has a faulty line.
#include "app/cli/CliLoad.h"
#include "io/DXFFile.h"
#include "io/FileError.h"
#include "io/PointImport.h"
#include "io/PointWrite.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"

#include <cstdio>
#include <cstring>
#include <string>

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
    std::fprintf(stderr, "usage: pointbridge-cli convert IN OUT\n"
                         "  IN   point file (.txt or .csv, CP949 or UTF-8)\n"
                         "  OUT  file to write; its extension picks the format:");
    for (const Output& o : kOutputs)
        std::fprintf(stderr, " %s", o.extension);
    std::fprintf(stderr, "\n");
    return 2;
}

} // namespace

int RunConvertCommand(int argc, char** argv) {
    if (argc != 3)
        return usage();
    const std::string in = argv[1];
    const std::string out = argv[2];
    const Writer write = writerFor(out);
    if (!write) {
        std::fprintf(stderr, "pointbridge-cli: cannot tell the format of '%s'\n", out.c_str());
        return usage();
    }
    try {
        TNCADProject project;
        LoadJobFile(in, project);
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
