// The plan view in the main window, offscreen, as the user meets it: the open of a point file
// of 100,000 and 1,000,000 points to a window that takes input again, then wheel zoom steps
// in and out, each from the wheel event to the painted frame. Codes follow walks (lines join
// neighbours); at 100,000 also scattered (every line across the field, the worst case). Wall time:
// this is what the user waits for. `bench_viewgui N` runs walks of N points only (the program
// object is not given the argument: it would take it for a file to open).
#include "app/Main.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "view/NCAD.h"

#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

#include "BenchSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace bench;

// From the wheel event to the frame: the view paints synchronously while the event is
// handled, so the send returns with the frame drawn.
double wheelStep(TNCAD& view, int delta) {
    const QPointF at(view.viewport()->width() / 2.0, view.viewport()->height() / 2.0);
    QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    const auto t = Clock::now();
    QApplication::sendEvent(view.viewport(), &wheel);
    return msSince(t);
}

// A point file whose 50 codes each follow a random walk of about two metres a step over a
// square field, four square metres a point: code lines join neighbours, as surveyed lines do.
std::string makeWalkFile(int lines) {
    const std::string path = "/tmp/pb_bench_viewgui_walk_" + std::to_string(getpid()) + ".txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    unsigned seed = 4242;
    const auto unit = [&] {
        return (seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000000) / 1e6;
    };
    const int codes = 50;
    const double side = 2 * std::sqrt(static_cast<double>(lines));
    int id = 0;
    for (int c = 0; c < codes; ++c) {
        double x = unit() * side, y = unit() * side, heading = unit() * 6.283;
        for (int i = 0; i < lines / codes; ++i) {
            heading += (unit() - 0.5) * 0.8;
            x = std::clamp(x + 2 * std::cos(heading), 0.0, side);
            y = std::clamp(y + 2 * std::sin(heading), 0.0, side);
            std::fprintf(f, "P%d,%.3f,%.3f,%.2f,code%d\r\n", ++id, 200000 + x, 400000 + y,
                         30 + unit() * 10, c);
        }
    }
    std::fclose(f);
    return path;
}

// Until a picture drawn in bands is whole; `longest` gets the longest turn of the event loop
// meanwhile (ms), which is how long the window may be slow to take input.
double untilWhole(TNCAD& view, double& longest) {
    const auto t = Clock::now();
    longest = 0;
    while (view.PictureState() == TPictureState::Drawing) {
        const auto turn = Clock::now();
        QApplication::processEvents(QEventLoop::AllEvents);
        longest = std::max(longest, msSince(turn));
    }
    return msSince(t);
}

// Until the event loop runs a queued call again: the window takes input from then on.
double untilInteractive() {
    const auto t = Clock::now();
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    while (!ran)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return msSince(t);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    TApplication app(appArgc, argv);
    Dialogs::SetHook([](const Dialogs::Box& b) {
        std::printf("box: %s\n", qPrintable(b.text));
        return Dialogs::Answer::Yes;
    });
    std::vector<int> sizes{100'000, 1'000'000};
    if (argc > 1)
        sizes = {std::atoi(argv[1])};
    const bool only = argc > 1;
    for (const int points : sizes)
        for (const bool scattered : {false, true}) {
            if (scattered && (points > 100'000 || only))
                continue; // every code line across the whole field: a worst case, shown once
            const std::string path =
                scattered ? makePointFile("pb_bench_viewgui", points) : makeWalkFile(points);
            const char* kind = scattered ? "scattered" : "walks";
            TMainForm form;
            form.show();
            if (!QTest::qWaitForWindowExposed(&form))
                return 1;
            const auto t = Clock::now();
            form.ImportFile(QString::fromStdString(path));
            const double opened = msSince(t);
            const double idle = untilInteractive();
            double longest = 0;
            const double whole = untilWhole(*form.NCAD1, longest);
            std::remove(path.c_str());
            std::printf("%7d points (%s): open to a fitted view %.0f ms, to input taken %.0f ms, to the whole "
                        "picture %.0f ms (longest event-loop turn meanwhile %.0f ms); peak RSS %ld MB\n",
                        points, kind, opened, opened + idle, opened + idle + whole, longest, peakRssMb());
            // Where the first paint's time goes: the index built from nothing (copy of the job
            // and grid), the check of an unchanged job, the whole picture from a ready index.
            {
                TNCAD& view = *form.NCAD1;
                const auto pos = [&view](const TBasePoint3D& p) { return view.PlanPos(p); };
                auto t0 = Clock::now();
                TPlanIndex fresh;
                fresh.Sync(view.Project(), pos);
                const double build = msSince(t0);
                t0 = Clock::now();
                fresh.Sync(view.Project(), pos);
                const double check = msSince(t0);
                double paint = 1e9;
                for (int i = 0; i < 3; ++i) {
                    t0 = Clock::now();
                    view.RenderOffscreen();
                    paint = std::min(paint, msSince(t0));
                }
                std::printf("%7d points (%s): index build %.0f ms, job check %.0f ms, whole paint %.0f ms "
                            "(best of 3); RSS now %.0f MB\n",
                            points, kind, build, check, paint, rssMb());
            }
            double worst = 0, total = 0, worstWhole = 0, worstTurn = 0;
            int steps = 0, banded = 0;
            for (const int delta :
                 {120, 120, 120, 120, 120, -120, -120, -120, -120, -120, -120, -120}) {
                const double ms = wheelStep(*form.NCAD1, delta);
                banded += form.NCAD1->PictureState() == TPictureState::Drawing;
                double turn = 0;
                const double rest = untilWhole(*form.NCAD1, turn);
                worst = std::max(worst, ms);
                worstWhole = std::max(worstWhole, ms + rest);
                worstTurn = std::max(worstTurn, turn);
                total += ms;
                ++steps;
            }
            std::printf("%7d points (%s): wheel zoom, event to painted frame: mean %.1f ms, worst "
                        "%.1f ms over %d steps; %d of them in bands (to the whole picture worst %.0f ms, "
                        "longest event-loop turn %.0f ms); peak RSS %ld MB\n",
                        points, kind, total / steps, worst, steps, banded, worstWhole, worstTurn, peakRssMb());
            std::fflush(stdout);
        }
    Dialogs::SetHook({});
    return 0;
}
