// Instrument files read and reduced: a GSI-16 file of a million coordinate records and an
// RW5 file of 100,000 side shots over 50 set-ups, in MB/s and records/s; the GSI one also
// into a project as the import does it. When Debian's totalopenstation is installed, its
// parser is timed on a 100,000-record GSI-16 file beside ours.
#include "BenchSupport.h"

#include "formats/FormatDetect.h"
#include "formats/InstrumentData.h"
#include "io/InstrumentImport.h"
#include "model/NCADProject.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string gsi16(int records) {
    std::string s;
    s.reserve(static_cast<size_t>(records) * 125);
    char line[256];
    unsigned seed = 12345;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000000; };
    for (int i = 0; i < records; ++i) {
        const int n = std::snprintf(line, sizeof line,
                                    "*11%04d+%016d 81..00+%016u 82..00+%016u 83..00+%016u 71....+%016d \r\n",
                                    i % 10000, i + 1, 200000000u + rnd(), 400000000u + rnd(), 10000u + rnd() % 9999,
                                    i % 50);
        s.append(line, static_cast<size_t>(n));
    }
    return s;
}

std::string rw5(int setups, int shotsPerSetup) {
    std::string s = "JB,NMBENCH,DT06-27-2003,TM14:21:53\r\nMO,AD0,UN1,SF1.00000000,EC0,EO0.0,AU0\r\n";
    char line[256];
    int id = 1000;
    for (int k = 0; k < setups; ++k) {
        std::snprintf(line, sizeof line, "OC,OP%d,N %d.000,E %d.000,EL10.000,--STN\r\nLS,HI1.500,HR1.800\r\n"
                                         "BK,OP%d,BP,BS%d.0000,BC0.0000\r\n",
                      k + 1, 5000 + k * 10, 2000 + k * 10, k + 1, k % 360);
        s += line;
        for (int i = 0; i < shotsPerSetup; ++i) {
            std::snprintf(line, sizeof line, "SS,OP%d,FP%d,AR%d.%02d%02d,ZE%d.%02d15,SD%d.%03d,--CODE%d\r\n", k + 1,
                          ++id, i % 360, i % 60, (i * 7) % 60, 85 + i % 10, i % 60, 5 + i % 200, i % 1000, i % 50);
            s += line;
        }
    }
    return s;
}

// Best of three runs of read-and-reduce: seconds and the points it gave.
double timeRead(const std::string& bytes, size_t& points) {
    double best = 1e30;
    for (int run = 0; run < 3; ++run) {
        const auto t = bench::Clock::now();
        const auto format = DetectFormat(bytes);
        const TInstrumentResult r = ReadInstrumentData(bytes, TFormatChoice{format.value(), {}});
        best = std::min(best, bench::secondsSince(t));
        points = r.Points.size();
    }
    return best;
}

void report(const char* what, const std::string& bytes, int records) {
    size_t points = 0;
    const double s = timeRead(bytes, points);
    std::printf("%-34s %8.1f MB  %7.3f s  %7.1f MB/s  %10.0f records/s  (%zu points)\n", what, bytes.size() / 1e6, s,
                bytes.size() / 1e6 / s, records / s, points);
}

} // namespace

int main() {
    std::printf("figures are the best of three runs\n");
    const int million = 1000000;
    const std::string g = gsi16(million);
    report("GSI-16, 1,000,000 coordinates", g, million);
    {
        const auto t = bench::Clock::now();
        TNCADProject project;
        const TInstrumentImport r = ImportInstrumentData(g, {TInstrumentFormat::Gsi, {}}, project, nullptr);
        const double s = bench::secondsSince(t);
        std::printf("%-34s %8.1f MB  %7.3f s  %7.1f MB/s  %10.0f records/s  (%d points)\n", "  the same into a project",
                    g.size() / 1e6, s, g.size() / 1e6 / s, million / s, r.Points);
    }
    const std::string r = rw5(50, 2000);
    report("RW5, 100,000 shots, 50 set-ups", r, 100000 + 150);

    const char* peer = "/usr/bin/totalopenstation-cli-parser";
    if (access(peer, X_OK) != 0) {
        std::printf("totalopenstation-cli-parser not installed: no comparison\n");
        return 0;
    }
    const std::string small = gsi16(100000);
    const std::string in = "/tmp/bench_formats_" + std::to_string(getpid()) + ".gsi";
    const std::string out = in + ".csv";
    FILE* f = std::fopen(in.c_str(), "wb");
    std::fwrite(small.data(), 1, small.size(), f);
    std::fclose(f);
    const std::string cmd = std::string(peer) + " -i " + in + " -f leica_gsi -t csv -o " + out + " --overwrite >/dev/null 2>&1";
    const auto t = bench::Clock::now();
    const int rc = std::system(cmd.c_str());
    const double peerSeconds = bench::secondsSince(t);
    size_t points = 0;
    const double ours = timeRead(small, points);
    std::printf("100,000-record GSI-16 (%.1f MB): totalopenstation %.2f s (exit %d), ours %.4f s: %.0f times as fast\n",
                small.size() / 1e6, peerSeconds, WEXITSTATUS(rc), ours, peerSeconds / ours);
    std::remove(in.c_str());
    std::remove(out.c_str());
    return 0;
}
