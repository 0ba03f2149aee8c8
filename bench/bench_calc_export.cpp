// Time from pressing the spreadsheet export to the filled Calc sheet, with the office already
// running. Run it on an X display, for example:
//   xvfb-run -a -s "-screen 0 1280x800x24 -noreset" build/bin/bench_calc_export [rows] [runs]
// It uses an office of its own (temporary profile, its own pipe) and ends it afterwards.
#include "app/Main.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

void fill(TNiceGrid& grid, int rows) {
    grid.ClearRows();
    grid.BeginUpdate();
    for (int i = 0; i < rows; ++i) {
        char x[32], y[32], z[32];
        std::snprintf(x, sizeof x, "%.4f", 201000.0 + i * 0.37);
        std::snprintf(y, sizeof y, "%.4f", 448000.0 + i * 0.11);
        std::snprintf(z, sizeof z, "%.4f", 30.0 + (i % 100) * 0.01);
        const std::string id = std::to_string(i + 1);
        const std::string_view cells[5] = {id, x, y, z, i % 3 ? "경계" : "MH"};
        grid.AddRowUtf8(cells, 5);
    }
    grid.EndUpdate();
}

// Seconds from the press until the export has ended; negative when it failed.
double timedExport(TMainForm& form, QStringList& errors) {
    errors.clear();
    QElapsedTimer clock;
    clock.start();
    form.btnExcelExport->click();
    while (!form.btnExcelExport->isEnabled())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double seconds = clock.nsecsElapsed() / 1e9;
    return errors.isEmpty() ? seconds : -1;
}

std::vector<pid_t> officePids(const QByteArray& pipe) {
    std::vector<pid_t> pids;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmd("/proc/" + entry + "/cmdline");
        if (entry.toInt() > 0 && cmd.open(QIODevice::ReadOnly)) {
            const QByteArray line = cmd.readAll();
            if (line.contains("soffice.bin") && line.contains("name=" + pipe + ";"))
                pids.push_back(entry.toInt());
        }
    }
    return pids;
}

void endOffice(const QByteArray& pipe) {
    QProcess probe;
    probe.start(PB_CALC_PROBE, {"close"});
    probe.waitForFinished(30000);
    QElapsedTimer clock;
    clock.start();
    while (!officePids(pipe).empty() && clock.elapsed() < 20000)
        QTest::qWait(200);
    for (pid_t pid : officePids(pipe))
        ::kill(pid, SIGKILL);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "needs an X display; run it under xvfb-run (see the top of %s)\n",
                     __FILE__);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen"); // our window need not show; the office's does
    TApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir profile;
    const QByteArray pipe = "pbbench_" + QByteArray::number(QCoreApplication::applicationPid());
    qputenv("PB_CALC_PIPE", pipe);
    qputenv("PB_CALC_PROFILE", profile.path().toUtf8());
    QStringList errors;
    Dialogs::SetHook([&](const Dialogs::Box& box) {
        errors << box.text;
        return Dialogs::Answer::Ok;
    });

    TMainForm form;
    fill(*form.NiceGrid1, 1);
    const double cold = timedExport(form, errors);
    if (cold < 0) {
        std::fprintf(stderr, "export failed: %s\n", qPrintable(errors.join("; ")));
        endOffice(pipe);
        return 1;
    }
    std::printf("cold start, 1 row: %.2f s\n", cold);

    fill(*form.NiceGrid1, rows);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t = timedExport(form, errors);
        if (t < 0) {
            std::fprintf(stderr, "export failed: %s\n", qPrintable(errors.join("; ")));
            break;
        }
        times.push_back(t);
        std::printf("run %d, %d rows: %.3f s\n", i + 1, rows, t);
    }
    endOffice(pipe);
    if (times.empty())
        return 1;
    std::sort(times.begin(), times.end());
    std::printf(
        "%d rows x 5 columns, office running: min %.3f s, median %.3f s, max %.3f s (%zu runs)\n",
        rows, times.front(), times[times.size() / 2], times.back(), times.size());
    return 0;
}
