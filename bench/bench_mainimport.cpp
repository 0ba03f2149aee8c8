// The main window with a million points: the import command's work (read, table, project,
// fit, paint, completion line) through TMainForm, then scrolling the table, a click that
// centres the view and a delete at that size. Prints times and peak memory.
#include "app/Main.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QScrollBar>
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

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
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
