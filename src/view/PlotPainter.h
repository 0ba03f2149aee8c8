#pragma once

#include "view/PlotLayout.h"
#include "view/PointSymbol.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class QPagedPaintDevice;
class QPainter;
class QString;
class TNCADProject;

// Texts of the title block, UTF-8.
struct PlotTitle {
    std::string JobName; // the job file's name without its folder
    std::string Date;    // yyyy-mm-dd

    // The title for the job read from `path` (empty: not from a file), dated today.
    static PlotTitle ForJob(const QString& path);
};

// Paints a plan to scale, black on white: the frame, the strip with north arrow, scale bar
// and title block, and the points, code lines and labels of the chosen layers. Everything
// has its paper size in millimetres; the device only decides how many dots a millimetre is.
class PlotPainter {
public:
    // As in the view: dots, point IDs, codes, heights, code lines.
    using Layers = TPointLayers;

    PlotPainter(const TNCADProject& project, const PlotLayout& layout, Layers layers,
                PlotTitle title);

    // Paints the sheet. The painter's origin must be the sheet's top-left corner; its
    // device's resolution (logical dots per inch) maps millimetres to device units.
    void Paint(QPainter& painter) const;

    // Gives the device the sheet's paper and orientation without margins, so that its
    // origin is the sheet's corner.
    static void SetUpPage(QPagedPaintDevice& device, const PlotSheet& sheet);

    // The sheet as a one-page PDF document, handed to `sink` piece by piece. The memory it
    // takes stays near the job's own whatever the job's size (a scratch file in the
    // system's temporary folder holds the document meanwhile). Throws std::runtime_error.
    void WritePdf(const std::function<void(std::string_view)>& sink) const;

    // A label draws at most this many characters; a longer one ends in "…" (a code of
    // megabytes would take the time and memory of a book).
    static constexpr int kMaxLabelChars = 64;
    static QString BoundedLabel(const QString& text);

    // Told now and then while the points are painted, `done` of `total` points, and once
    // with done == total when they are. False leaves the rest of the points out.
    using Progress = std::function<bool(size_t done, size_t total)>;
    void SetProgress(Progress progress) { m_progress = std::move(progress); }

private:
    // `pageBreak`, when given, is called between pieces of the points: a PDF writer starts
    // a new page there, which holds its content in memory until the page is done.
    void PaintSheet(QPainter& painter, const std::function<void()>& pageBreak) const;
    void PaintPoints(QPainter& painter, double dotsPerMm,
                     const std::function<void()>& pageBreak) const;
    void PaintTitleBlock(QPainter& painter) const;

    const TNCADProject& m_project;
    PlotLayout m_layout;
    Layers m_layers;
    PlotTitle m_title;
    Progress m_progress;
};
