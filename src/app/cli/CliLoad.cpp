#include "app/cli/CliLoad.h"

#include "io/PointImport.h"

void LoadJobFile(const std::string& path, TNCADProject& project, TPointRowSink* rows) {
    ImportPointLines(TPointLines::LoadFile(path), project, rows);
}
