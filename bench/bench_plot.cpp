// Plots generated jobs of 1,000 to 1,000,000 points (50 codes, all five layers) to a PDF
// at 1:5000 on A3 landscape and prints the time, the document's size, the job's own memory
// (what building it added) and the peak memory so far, which should stay within twice the
// job's, not grow with the document.
#include "BenchSupport.h"
#include "model/NCADProject.h"
#include "toolkit/Fonts.h"
#include "view/PlotPainter.h"

#include <QByteArray>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kCodes = 50;
constexpr int kRuns = 3;

// Points spread over a square kilometre, so that the job fits A3 at 1:5000.
void makeProject(TNCADProject& project, int points) {
    for (int c = 0; c < kCodes; ++c) {
        auto item = std::make_unique<TNCADItem>();
        item->SetCode(c % 5 == 0 ? "경계" + std::to_string(c) : "CODE" + std::to_string(c));
        project.AddItem(std::move(item));
    }
    unsigned seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < points; ++i) {
        const double x = 200000.0 + (next() % 1000000) / 1000.0;
        const double y = 450000.0 + (next() % 1000000) / 1000.0;
        project.GetItem(i % kCodes)
            ->AddPoint(x, y, (next() % 100000) / 1000.0, std::to_string(i + 1));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Fonts::InstallSubstitutions();
    const PlotSheet sheet{PaperSize::A3, true};
    for (const int points : {1000, 10000, 100000, 1000000}) {
        const double before = bench::rssMb();
        TNCADProject project;
        makeProject(project, points);
        const double job = bench::rssMb() - before;
        const PlotLayout layout(sheet, 5000, BoundsOf(project));
        PlotPainter plot(project, layout, {true, true, true, true, true}, {"bench.txt", "2024-01-01"});
        // What the progress window can follow (the points) and what it cannot (finishing).
        auto t = bench::Clock::now();
        double painted = 0;
        plot.SetProgress([&](size_t done, size_t total) {
            if (done == total)
                painted = bench::msSince(t);
            return true;
        });
        double best = 1e9, bestPainted = 0;
        size_t size = 0;
        const int runs = points >= 1000000 ? 1 : kRuns;
        for (int run = 0; run < runs; ++run) {
            t = bench::Clock::now();
            size = 0;
            plot.WritePdf([&](std::string_view bytes) { size += bytes.size(); });
            if (bench::msSince(t) < best)
                best = bench::msSince(t), bestPainted = painted;
        }
        const double peak = static_cast<double>(bench::peakRssMb());
        std::printf("%7d points: PDF in %8.1f ms (best of %d; points painted after %.1f ms), %6.2f MB, "
                    "fits: %s, job %.1f MB, peak RSS so far %.0f MB (%.0f MB over the job's base, "
                    "%.2f times the job)\n",
                    points, best, runs, bestPainted, size / 1e6, layout.Fits() ? "yes" : "no", job, peak,
                    peak - before, (peak - before) / std::max(job, 0.1));
        std::fflush(stdout);
    }
    return 0;
}
