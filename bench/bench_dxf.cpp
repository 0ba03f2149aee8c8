// Exports 100,000 points in 50 codes as DXF and compares the time with writing the same
// bytes raw, so that the figures show what bounds the export; then the same job as the
// drawing for CAD work (a layer per code), and the layer names of codes alike in their
// first 240 bytes.
// Usage: bench_dxf [FOLDER]   (default: the system's temporary folder)
#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayerNames.h"
#include "io/dxf/DXFLayers.h"
#include "model/NCADProject.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kPoints = 100000;
constexpr int kCodes = 50;
constexpr int kRuns = 5;

void makeProject(TNCADProject& project) {
    // Codes like the office uses, some Korean; points spread over a site in plane
    // coordinates with heights to the millimetre.
    for (int c = 0; c < kCodes; ++c) {
        auto item = std::make_unique<TNCADItem>();
        TNCADItem* raw = item.get();
        project.AddItem(std::move(item));
        raw->SetCode(c % 5 == 0 ? "경계" + std::to_string(c) : "CODE" + std::to_string(c));
        raw->Points.Reserve(kPoints / kCodes);
    }
    unsigned seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < kPoints; ++i) {
        const double x = 200000.0 + (next() % 10000000) / 1000.0;
        const double y = 450000.0 + (next() % 10000000) / 1000.0;
        const double z = 20.0 + (next() % 80000) / 1000.0;
        project.GetItem(i % kCodes)->AddPoint(x, y, z, std::to_string(i + 1));
    }
}

class CountingSink : public TDXFSink {
public:
    void Write(std::string_view bytes) override { size += bytes.size(); }
    size_t size = 0;
};

double millis(const std::function<void()>& f) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
        .count();
}

// The bytes written in 1 MiB pieces, the way the export hands them over.
void rawWrite(const std::string& path, const std::string& bytes, bool sync) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    for (size_t at = 0; at < bytes.size();) {
        const size_t n = std::min<size_t>(1 << 20, bytes.size() - at);
        const ssize_t w = ::write(fd, bytes.data() + at, n);
        if (w < 0) {
            std::perror("write");
            std::exit(1);
        }
        at += static_cast<size_t>(w);
    }
    if (sync)
        ::fsync(fd);
    ::close(fd);
}

struct Figure {
    const char* what;
    std::vector<double> ms;
};

void print(const Figure& f, double mb) {
    std::vector<double> ms = f.ms;
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    std::printf("  %-44s median %8.1f ms  best %8.1f ms  %7.0f MB/s\n", f.what, median, ms[0],
                mb / (median / 1000.0));
}

} // namespace

int main(int argc, char** argv) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = argc > 1 ? argv[1] : (tmp && *tmp ? tmp : "/tmp");
    const std::string target = folder + "/bench_dxf.dxf";
    const std::string rawPath = folder + "/bench_dxf.raw";

    TNCADProject project;
    makeProject(project);
    const TDXFExtents extents = FitExtents(project);

    std::ostringstream memory;
    {
        DXF_Writer writer(memory, project, extents);
        writer.WriteAll();
    }
    const std::string bytes = memory.str();
    const double mb = static_cast<double>(bytes.size()) / 1e6;
    std::printf("DXF export of %d points in %d codes: %.1f MB (%zu bytes), folder %s\n", kPoints,
                kCodes, mb, bytes.size(), folder.c_str());

    Figure format{"format only (no output)", {}};
    Figure exportFile{"WriteDxfFile (temp file, fsync, rename)", {}};
    Figure rawSync{"raw write of the same bytes + fsync", {}};
    Figure rawCache{"raw write of the same bytes, no fsync", {}};
    for (int run = 0; run < kRuns; ++run) {
        format.ms.push_back(millis([&] {
            CountingSink sink;
            DXF_Writer writer(sink, project, extents);
            writer.WriteAll();
            if (sink.size != bytes.size())
                std::fprintf(stderr, "size differs\n");
        }));
        exportFile.ms.push_back(millis([&] { WriteDxfFile(target, project, extents); }));
        rawSync.ms.push_back(millis([&] { rawWrite(rawPath, bytes, true); }));
        rawCache.ms.push_back(millis([&] { rawWrite(rawPath, bytes, false); }));
    }
    print(format, mb);
    print(exportFile, mb);
    print(rawSync, mb);
    print(rawCache, mb);

    TDXFLayerOptions options;
    options.Extents = extents;
    CountingSink layeredSize;
    WriteLayeredDxf(layeredSize, project, options);
    const double layeredMb = static_cast<double>(layeredSize.size) / 1e6;
    std::printf("CAD drawing (layer per code) of the same job: %.1f MB\n", layeredMb);
    Figure layeredFormat{"format only (no output)", {}};
    Figure layeredFile{"WriteLayeredDxfFile (temp, fsync, rename)", {}};
    for (int run = 0; run < kRuns; ++run) {
        layeredFormat.ms.push_back(millis([&] {
            CountingSink sink;
            WriteLayeredDxf(sink, project, options);
        }));
        layeredFile.ms.push_back(millis([&] { WriteLayeredDxfFile(target, project, options); }));
    }
    print(layeredFormat, layeredMb);
    print(layeredFile, layeredMb);

    // Layer names of codes that share their first 240 bytes: every one needs a suffix.
    for (const int count : {5000, 20000}) {
        std::vector<std::string> codes;
        for (int i = 0; i < count; ++i)
            codes.push_back(std::string(240, 'K') + std::to_string(i));
        size_t named = 0;
        const double ms = millis([&] { named = DxfLayerNames::ForCodes(codes).size(); });
        std::printf("layer names of %d codes alike in their first 240 bytes: %.1f ms (%zu names)\n",
                    count, ms, named);
    }
    ::unlink(target.c_str());
    ::unlink(rawPath.c_str());
    return 0;
}
