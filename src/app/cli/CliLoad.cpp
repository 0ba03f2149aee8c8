#include "app/cli/CliLoad.h"

#include "io/PointImport.h"

#include <cstdio>

void LoadJobFile(const std::string& path, TNCADProject& project, TPointRowSink* rows) {
    ImportPointLines(TPointLines::LoadFile(path), project, rows);
}

bool LoadJobFileOrReport(const std::string& path, TNCADProject& project, const char* who) {
    try {
        LoadJobFile(path, project);
        return true;
    } catch (const EPointLineError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), e.Line(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", who, e.what());
    }
    return false;
}
