// Point file figures: import of a million lines into a project and the point table, and
// pointbridge-cli convert of the same file. Prints times and peak memory.
#include "app/GridRowSink.h"
#include "io/PointImport.h"
#include "io/PointWrite.h"
#include "model/NCADProject.h"
#include "toolkit/NiceGrid.h"

#include <QApplication>

#include "BenchSupport.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace bench;

void benchConvert(const std::string& in) {
    const std::string out = in + ".out.txt";
    const auto t = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(PB_CLI_PATH, "pointbridge-cli", "convert", in.c_str(), out.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    const double cpu = u.ru_utime.tv_sec + u.ru_stime.tv_sec +
                       (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    std::printf("pointbridge-cli convert: %.3f s (cpu %.3f s; the rest is mostly fsync), exit %d, "
                "peak RSS %ld MB\n",
                secondsSince(t), cpu, WIFEXITED(status) ? WEXITSTATUS(status) : -1, u.ru_maxrss / 1024);
    std::remove(out.c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string path = makePointFile("pb_bench_points", lines);
    std::printf("peak RSS before import: %ld MB\n", peakRssMb(RUSAGE_SELF));

    TNCADProject project;
    TNiceGrid grid;
    grid.SetColumns({"ID", "X", "Y", "Z", "CODE"}, {30, 80, 80, 80, 80});
    TGridRowSink sink(grid);
    auto t = Clock::now();
    double cpu = cpuSeconds();
    const TPointLines text = TPointLines::LoadFile(path);
    const double load = secondsSince(t);
    grid.BeginUpdate();
    ImportPointLines(text, project, &sink);
    grid.EndUpdate();
    std::printf("import into project + table: %.3f s (cpu %.3f s; file read %.3f s), %d rows, "
                "%d groups, peak RSS %ld MB\n",
                secondsSince(t), cpuSeconds() - cpu, load, grid.RowCount(), project.Count(),
                peakRssMb(RUSAGE_SELF));

    t = Clock::now();
    cpu = cpuSeconds();
    const std::string saved = FormatPointFile(project);
    std::printf("format for saving: %.3f s (cpu %.3f s), %.1f MB\n", secondsSince(t),
                cpuSeconds() - cpu, saved.size() / 1e6);

    benchConvert(path);
    std::remove(path.c_str());
    return 0;
}
