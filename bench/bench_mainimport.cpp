// The main window with a million points: the import command's work (read, table, project,
// fit, paint, completion line) through TMainForm, then scrolling the table, a click that
// centres the view and a delete at that size. Prints times and peak memory.
//
// bench_mainimport --open [points] [gsi]: the open alone, as the user meets it, of a point
// file (or a GSI file) of `points` points (default 1,000,000; 7200000 is the 300 MB job):
// when the progress window shows, when the reading ends and the table takes the rows, when
// the window takes input again, and the peak memory.
#include "app/Main.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "BenchSupport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace bench;

// Worst and mean time of a table repaint after moving its scroll bar to `value`.
void scrollFigures(TNiceGrid& grid, const char* what, int steps, int from, int step) {
    QScrollBar* bar = grid.verticalScrollBar();
    double worst = 0, total = 0;
    for (int i = 0; i < steps; ++i) {
        const auto t = Clock::now();
        bar->setValue(from + i * step);
        grid.viewport()->repaint();
        const double ms = msSince(t);
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("table %s: %d scroll+paint steps, mean %.2f ms, worst %.2f ms\n", what, steps,
                total / steps, worst);
}

// A GSI-8 file of `points` coordinate records in 50 codes, about 80 bytes a point.
std::string makeGsiFile(int points) {
    const std::string path = "/tmp/pb_bench_main_" + std::to_string(getpid()) + ".gsi";
    FILE* f = std::fopen(path.c_str(), "wb");
    unsigned seed = 12345;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8) % 1000000; };
    for (int i = 0; i < points; ++i)
        std::fprintf(f, "11%04d+%08d 81..00+%08u 82..00+%08u 83..00+%08u 71....+%08d \r\n", i % 10000, i + 1,
                     20000000u + rnd(), 40000000u + rnd(), 10000u + rnd() % 9999, i % 50);
    std::fclose(f);
    std::printf("generated %d GSI records: %s\n", points, path.c_str());
    return path;
}

// The open of one file into an empty window, timed from the command to each stage the user
// sees.
int openFigures(int points, bool gsi) {
    const std::string path = gsi ? makeGsiFile(points) : makePointFile("pb_bench_main", points);
    TMainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    std::printf("peak RSS with the window shown: %ld MB\n", peakRssMb());
    double shown = -1, read = -1, filled = -1, rssRead = 0;
    const auto t = Clock::now();
    // The progress window pumps events: a look at each turn notes when it first shows.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (shown < 0 && QApplication::activeModalWidget())
            shown = msSince(t);
    });
    look.start(0);
    QObject::connect(form.NiceGrid1->model(), &QAbstractItemModel::rowsAboutToBeInserted,
                     [&] {
                         if (read < 0)
                             read = msSince(t), rssRead = rssMb();
                     });
    QObject::connect(form.NiceGrid1->model(), &QAbstractItemModel::rowsInserted,
                     [&] { filled = filled < 0 ? msSince(t) : filled; });
    const double cpu = cpuSeconds();
    form.ImportFile(QString::fromStdString(path));
    const double returned = msSince(t);
    look.stop();
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    while (!ran)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    std::printf("open of %d points (%s): progress window at %.0f ms, read at %.0f ms, table filled at %.0f ms, "
                "fitted and painted at %.0f ms, taking input at %.0f ms (cpu %.0f ms); %d rows; RSS %.0f MB when read, "
                "peak %ld MB\n",
                points, gsi ? "GSI" : "point file", shown, read, filled, returned, msSince(t),
                (cpuSeconds() - cpu) * 1000, form.NiceGrid1->RowCount(), rssRead, peakRssMb());
    std::remove(path.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool openOnly = argc > 1 && std::string(argv[1]) == "--open";
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", openOnly ? "offscreen:configfile=" PB_SCREEN_CONFIG : "offscreen");
    // The window opens a file named on the command line: the arguments are the bench's own.
    int appArgc = 1;
    TApplication app(appArgc, argv);
    if (openOnly) {
        Dialogs::SetHook([](const Dialogs::Box& b) {
            std::printf("box: %s\n", qPrintable(b.text));
            return Dialogs::Answer::Yes;
        });
        return openFigures(argc > 2 ? std::atoi(argv[2]) : 1000000, argc > 3 && std::string(argv[3]) == "gsi");
    }
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string path = makePointFile("pb_bench_main", lines);
    Dialogs::SetHook([](const Dialogs::Box& b) {
        std::printf("box: %s\n", qPrintable(b.text));
        return Dialogs::Answer::Yes;
    });

    {
        // The import's own work: the view's layers are off, so its paint costs next to nothing.
        TMainForm bare;
        bare.show();
        if (!QTest::qWaitForWindowExposed(&bare))
            return 1;
        std::printf("peak RSS with the window shown: %ld MB\n", peakRssMb());
        for (int layer = 1; layer <= 5; ++layer)
            bare.NCAD1->SetLayerVisible(layer, false);
        const auto t = Clock::now();
        const double cpu = cpuSeconds();
        bare.ImportFile(QString::fromStdString(path));
        std::printf("GUI import, layers off (read, table, project, fit, completion line): %.0f ms "
                    "(cpu %.0f ms), %d rows, %d groups, peak RSS %ld MB\n",
                    msSince(t), (cpuSeconds() - cpu) * 1000, bare.NiceGrid1->RowCount(),
                    bare.Project->Count(), peakRssMb());
    }

    TMainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    auto t = Clock::now();
    double cpu = cpuSeconds();
    form.ImportFile(QString::fromStdString(path));
    const double importMs = msSince(t);
    std::remove(path.c_str());
    std::printf("GUI import as the user sees it (the same, plus painting every point with its "
                "labels): %.0f ms (cpu %.0f ms), peak RSS %ld MB\n",
                importMs, (cpuSeconds() - cpu) * 1000, peakRssMb());

    t = Clock::now();
    form.NCAD1->Repaint();
    std::printf("view repaint of all points: %.1f ms\n", msSince(t));

    TNiceGrid& grid = *form.NiceGrid1;
    QScrollBar* bar = grid.verticalScrollBar();
    t = Clock::now();
    grid.scrollToBottom();
    grid.viewport()->repaint();
    std::printf("table jump to the end + paint: %.2f ms (scroll range %d)\n", msSince(t),
                bar->maximum());
    scrollFigures(grid, "line by line at the end", 200, bar->maximum() - 200, 1);
    scrollFigures(grid, "page by page through the middle", 200, bar->maximum() / 2,
                  bar->pageStep());
    scrollFigures(grid, "jumps across the whole table", 50, 0, bar->maximum() / 50);

    const int last = grid.RowCount() - 1;
    grid.scrollToBottom();
    QRect cell = grid.visualRect(grid.model()->index(last, 1));
    t = Clock::now();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    std::printf("click on the last row (select, centre, repaint the view): %.1f ms\n", msSince(t));

    grid.SetSelectedRow(0);
    t = Clock::now();
    form.btnGridDelPoint->click();
    std::printf("delete of the first row (find its point, remove row and point, repaint): %.1f ms, "
                "%d rows left\n",
                msSince(t), grid.RowCount());
    grid.SetSelectedRow(grid.RowCount() - 1);
    t = Clock::now();
    form.btnGridDelPoint->click();
    std::printf("delete of the last row: %.1f ms\n", msSince(t));

    // The commands' own cost, without the paint of a million labelled points.
    for (int layer = 1; layer <= 5; ++layer)
        form.NCAD1->SetLayerVisible(layer, false);
    t = Clock::now();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
    std::printf("layers off: click on a row: %.1f ms\n", msSince(t));
    grid.SetSelectedRow(0);
    t = Clock::now();
    form.btnGridDelPoint->click();
    std::printf("layers off: delete of the first row: %.1f ms\n", msSince(t));
    std::printf("peak RSS at the end: %ld MB\n", peakRssMb());
    Dialogs::SetHook({});
    return 0;
}
