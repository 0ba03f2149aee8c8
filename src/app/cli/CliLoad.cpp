#include "app/cli/CliLoad.h"

#include "io/PointImport.h"
#include "model/NCADProject.h"

#include <cstdio>

bool LoadJobFile(const std::string& path, TNCADProject& project) {
    try {
        ImportPointLines(TPointLines::LoadFile(path), project, nullptr);
        return true;
    } catch (const EPointLineError& e) {
        std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), e.Line(), e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pointbridge-cli: %s\n", e.what());
    }
    return false;
}
