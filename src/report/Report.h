#pragma once

#include "view/PlotPainter.h"
#include "view/SheetCanvas.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

class QPagedPaintDevice;
class QPainter;

// A table of a report. Its rows are made when a page shows them, so that the report of a
// large job takes little memory besides the job.
struct TReportTable {
    struct Column {
        QString Heading;
        double Weight = 1; // share of the table's width
        TTextAlign Align = TTextAlign::Right;
    };
    QString Caption;             // above the table; empty for none
    std::vector<Column> Columns; // headings all empty: no header row (labels and values)
    size_t Rows = 0;
    // The cells of `row`, one per column.
    std::function<void(size_t row, std::vector<QString>& cells)> Row;
    // Rows under a double rule after the last row: the sums.
    std::vector<std::vector<QString>> Totals;
};

struct TReportContent {
    QString Name;       // the heading of every page: "좌표 성과표"
    PlotTitle Title;    // the job file and the date
    TTitleRows Subject; // title block rows between the date and the page: what it is of
    std::vector<QString> Notes; // beside the title block: units and how figures are made
    std::vector<TReportTable> Tables;
};

// A report on A4 portrait sheets: the heading, then the tables one after another, flowing
// from page to page with their header row on every page they reach, and along the bottom
// the notes and a title block like the plot's with the page number ("2 / 5").
class TReport {
public:
    explicit TReport(TReportContent content);

    const QString& Name() const { return m_content.Name; }
    const PlotTitle& Title() const { return m_content.Title; }
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    // `page` counts from 0.
    void PaintPage(int page, TSheetCanvas& canvas) const;

    // Called after each page with the pages done and their number; may throw to stop.
    using Progress = std::function<void(int done, int total)>;
    // Pages `first` to `last` (from 0, both included) on a printer or PDF writer that
    // `painter` is active on, with a new page between them.
    void Print(QPainter& painter, QPagedPaintDevice& device, int first, int last,
               const Progress& progress = {}) const;
    // A4 portrait without margins, so that the device's origin is the sheet's corner.
    static void SetUpPage(QPagedPaintDevice& device);
    // The whole report as a PDF document, handed to `sink` piece by piece once it is
    // complete; meanwhile a scratch file in the system's temporary folder holds it.
    // Throws std::runtime_error, or what `progress` throws.
    void WritePdf(const std::function<void(std::string_view)>& sink, const Progress& progress = {}) const;

private:
    // Part of a table on one page.
    struct Slice {
        size_t Table = 0;
        size_t First = 0;
        size_t Count = 0;
        double Top = 0; // mm
        bool Continued = false; // the table began on an earlier page
        bool Totals = false;    // its sums end this part
    };
    void Paginate();
    void PaintSlice(const Slice& slice, TSheetCanvas& canvas) const;
    void PaintFrame(int page, TSheetCanvas& canvas) const;

    TReportContent m_content;
    std::vector<std::vector<Slice>> m_pages;
};
