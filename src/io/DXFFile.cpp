#include "io/DXFFile.h"

#include "io/FileError.h"
#include "io/SafeFile.h"
#include "model/NCADProject.h"

#include <algorithm>

namespace {

// Bytes into the file being replaced.
class SafeFileSink : public TDXFSink {
public:
    explicit SafeFileSink(TSafeFileWriter& file) : m_file(file) {}
    void Write(std::string_view bytes) override { m_file.Write(bytes); }

private:
    TSafeFileWriter& m_file;
};

} // namespace

std::string DxfSystemErrorText(int err) { return SystemReason(err); }

void ReplaceDxfFile(const std::string& path, const std::function<void(TDXFSink&)>& write) {
    try {
        TSafeFileWriter file(path);
        SafeFileSink sink(file);
        write(sink);
        file.Commit();
    } catch (const EFileError& e) {
        throw EDXFWriteError(e.what());
    }
}

void WriteDxfFile(const std::string& path, const TNCADProject& project,
                  const TDXFExtents& extents) {
    ReplaceDxfFile(path, [&](TDXFSink& sink) {
        DXF_Writer writer(sink, project, extents);
        writer.WriteAll();
    });
}

TDXFExtents FitExtents(const TNCADProject& project) {
    bool any = false;
    TDXFExtents e;
    for (const auto& item : project) {
        for (const auto& p : item->Points) {
            if (!any) {
                e = {p->X, p->Y, p->X, p->Y};
                any = true;
                continue;
            }
            e.MinX = std::min(e.MinX, p->X);
            e.MinY = std::min(e.MinY, p->Y);
            e.MaxX = std::max(e.MaxX, p->X);
            e.MaxY = std::max(e.MaxY, p->Y);
        }
    }
    if (!any)
        return {};
    const double dx = (e.MaxX - e.MinX) / 10;
    e.MinX -= dx;
    e.MaxX += dx;
    const double dy = (e.MaxY - e.MinY) / 10;
    e.MinY -= dy;
    e.MaxY += dy;
    return e;
}

void ConvertToDxf(const TNCADProject& project, const std::string& outPath) {
    WriteDxfFile(outPath, project, FitExtents(project));
}
