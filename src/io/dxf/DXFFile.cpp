#include "io/dxf/DXFFile.h"

#include "io/FileError.h"
#include "io/SafeFile.h"
#include "model/NCADProject.h"

#include <algorithm>

namespace {

// Bytes into the file being replaced.
class SafeFileSink : public TDXFSink {
public:
    SafeFileSink(TSafeFileWriter& file, const TDXFProgress& progress)
        : m_file(file), m_progress(progress) {}
    void Write(std::string_view bytes) override { m_file.Write(bytes); }
    void Progress(size_t done, size_t total) override {
        if (m_progress)
            m_progress(done, total);
    }

private:
    TSafeFileWriter& m_file;
    const TDXFProgress& m_progress;
};

} // namespace

std::string DxfSystemErrorText(int err) { return SystemReason(err); }

void ReplaceDxfFile(const std::string& path, const std::function<void(TDXFSink&)>& write,
                    const TDXFProgress& progress) {
    try {
        TSafeFileWriter file(path);
        SafeFileSink sink(file, progress);
        write(sink);
        file.Commit();
    } catch (const EFileError& e) {
        throw EDXFWriteError(e.what());
    }
}

void WriteDxfFile(const std::string& path, const TNCADProject& project,
                  const TDXFExtents& extents, const TDXFProgress& progress) {
    ReplaceDxfFile(
        path,
        [&](TDXFSink& sink) {
            DXF_Writer writer(sink, project, extents);
            writer.WriteAll();
        },
        progress);
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
