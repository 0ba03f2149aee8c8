// 좌표 성과표 of generated jobs of 2,000 and 20,000 points, written as PDF in memory: the
// time (wall and processor: the machine may be shared), the pages, the document's size and
// the peak memory so far. 2,000 points is an office's large job; ten times that shows how the
// time grows with the pages.
#include "BenchSupport.h"
#include "report/SurveyReports.h"
#include "text/NumText.h"
#include "toolkit/Fonts.h"

#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 3;

std::vector<TPointRow> makeRows(int points) {
    unsigned seed = 12345;
    const auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    std::vector<TPointRow> rows;
    rows.reserve(static_cast<size_t>(points));
    for (int i = 0; i < points; ++i)
        rows.push_back({"P" + std::to_string(i + 1), FormatFixed(200000.0 + (next() % 10000000) / 1000.0, 3),
                        FormatFixed(450000.0 + (next() % 10000000) / 1000.0, 3),
                        FormatFixed((next() % 100000) / 1000.0, 3), i % 7 == 0 ? "경계" : "CODE" + std::to_string(i % 50)});
    return rows;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Fonts::InstallSubstitutions();
    for (const int points : {2000, 20000}) {
        auto t = bench::Clock::now();
        const TReport report = PointListReport(makeRows(points), {"bench.txt", "2024-01-01"});
        const double made = bench::msSince(t);
        double best = 1e9, bestCpu = 1e9;
        size_t size = 0;
        for (int run = 0; run < kRuns; ++run) {
            t = bench::Clock::now();
            const double cpu = bench::cpuSeconds();
            size = 0;
            report.WritePdf([&](std::string_view bytes) { size += bytes.size(); });
            best = std::min(best, bench::msSince(t));
            bestCpu = std::min(bestCpu, (bench::cpuSeconds() - cpu) * 1000.0);
        }
        std::printf("%6d points: %4d pages, laid out in %5.1f ms, PDF in %7.1f ms wall, %7.1f ms processor "
                    "(best of %d; %.2f ms a page), %5.2f MB, peak RSS so far %ld MB\n",
                    points, report.PageCount(), made, best, bestCpu, kRuns, bestCpu / report.PageCount(),
                    size / 1e6, bench::peakRssMb());
    }
    return 0;
}
