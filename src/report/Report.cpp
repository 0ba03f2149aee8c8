#include "report/Report.h"

#include "view/PdfPages.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// The sheet and its parts, mm: A4 portrait in the plot's frame, with the plot's strip.
constexpr double kSheetWidth = 210;
constexpr double kSheetHeight = 297;
constexpr double kMargin = PlotLayout::kFrameMargin;
constexpr double kHeadingHeight = 16;
constexpr double kStripHeight = PlotLayout::kStripHeight;
constexpr double kTitleWidth = PlotLayout::kTitleCellWidth;
constexpr double kInset = 5; // frame to the tables, at the sides
constexpr double kGap = 4;   // heading or strip to the tables, and between tables

constexpr double kCaptionHeight = 7;
constexpr double kHeaderHeight = 7;
constexpr double kRowHeight = 5.0;
constexpr double kTotalsGap = 0.6; // the double rule above the sums
constexpr double kCellPad = 1.5;
constexpr size_t kKeepTogetherRows = 15;
constexpr double kNoteLine = 5;

constexpr TTextStyle kHeadingText{6.0, TTextAlign::Centre, true};
constexpr TTextStyle kCaptionText{3.2, TTextAlign::Left, true};
constexpr TTextStyle kHeaderText{2.8, TTextAlign::Centre, true};
constexpr double kCellText = 2.8;
constexpr TTextStyle kNoteText{2.6, TTextAlign::Left, false};

constexpr PaperRect kFrame{kMargin, kMargin, kSheetWidth - 2 * kMargin, kSheetHeight - 2 * kMargin};
constexpr double kContentTop = kFrame.Top + kHeadingHeight + kGap;
constexpr double kStripTop = kFrame.Top + kFrame.Height - kStripHeight;
constexpr double kContentBottom = kStripTop - kGap;
constexpr double kContentLeft = kFrame.Left + kInset;
constexpr double kContentWidth = kFrame.Width - 2 * kInset;

bool hasHeader(const TReportTable& table) {
    return std::any_of(table.Columns.begin(), table.Columns.end(),
                       [](const TReportTable::Column& c) { return !c.Heading.isEmpty(); });
}

double captionHeight(const TReportTable& table) { return table.Caption.isEmpty() ? 0 : kCaptionHeight; }
double headHeight(const TReportTable& table) { return captionHeight(table) + (hasHeader(table) ? kHeaderHeight : 0); }
double totalsHeight(const TReportTable& table) {
    return table.Totals.empty() ? 0 : kTotalsGap + static_cast<double>(table.Totals.size()) * kRowHeight;
}

// Left edges of the columns and the table's right edge, mm.
std::vector<double> columnEdges(const TReportTable& table) {
    double sum = 0;
    for (const auto& c : table.Columns)
        sum += c.Weight;
    std::vector<double> edges{kContentLeft};
    for (const auto& c : table.Columns)
        edges.push_back(edges.back() + kContentWidth * c.Weight / sum);
    return edges;
}

void paintRow(TSheetCanvas& canvas, const TReportTable& table, const std::vector<double>& edges, double top,
              double height, const std::vector<QString>& cells, bool bold) {
    for (size_t c = 0; c < table.Columns.size() && c < cells.size(); ++c)
        canvas.Text({edges[c] + kCellPad, top, edges[c + 1] - edges[c] - 2 * kCellPad, height}, cells[c],
                    {kCellText, table.Columns[c].Align, bold});
}

} // namespace

TReport::TReport(TReportContent content) : m_content(std::move(content)) { Paginate(); }

void TReport::Paginate() {
    m_pages.assign(1, {});
    double y = kContentTop;
    auto newPage = [&] {
        m_pages.emplace_back();
        y = kContentTop;
    };
    for (size_t t = 0; t < m_content.Tables.size(); ++t) {
        const TReportTable& table = m_content.Tables[t];
        const double head = headHeight(table), sums = totalsHeight(table);
        size_t first = 0;
        do {
            const size_t left = table.Rows - first;
            // A part shows its head with at least one row (or the sums) under it; a short
            // table that would fit a page of its own is not split.
            const double whole = head + static_cast<double>(left) * kRowHeight + sums;
            const bool keepWhole = first == 0 && left <= kKeepTogetherRows && whole <= kContentBottom - kContentTop;
            const double least = keepWhole ? whole : head + (left > 0 ? kRowHeight : sums);
            if (y + least > kContentBottom && y > kContentTop)
                newPage();
            const auto fitting = static_cast<size_t>(std::max(0.0, std::floor((kContentBottom - y - head) / kRowHeight + 1e-9)));
            size_t count = std::min(left, std::max<size_t>(fitting, 1));
            // The sums follow the last row; where they do not fit beside it, the last
            // row moves on with them.
            bool totals = count == left;
            if (totals && count > 0 && y + head + static_cast<double>(count) * kRowHeight + sums > kContentBottom &&
                (count > 1 || y > kContentTop)) {
                totals = false;
                if (--count == 0) {
                    newPage();
                    continue;
                }
            }
            m_pages.back().push_back({t, first, count, y, first > 0, totals});
            y += head + static_cast<double>(count) * kRowHeight + (totals ? sums : 0) + kGap;
            first += count;
            if (!totals)
                newPage();
        } while (first < table.Rows);
    }
}

void TReport::PaintPage(int page, TSheetCanvas& canvas) const {
    PaintFrame(page, canvas);
    for (const Slice& slice : m_pages.at(static_cast<size_t>(page)))
        PaintSlice(slice, canvas);
}

void TReport::PaintFrame(int page, TSheetCanvas& canvas) const {
    canvas.Box(kFrame, kFramePen);
    const double headingBottom = kFrame.Top + kHeadingHeight;
    canvas.Text({kFrame.Left, kFrame.Top, kFrame.Width, kHeadingHeight}, m_content.Name, kHeadingText);
    canvas.Line({kFrame.Left, headingBottom}, {kFrame.Right(), headingBottom}, kRulePen);

    const PaperRect title{kFrame.Right() - kTitleWidth, kStripTop, kTitleWidth, kStripHeight};
    canvas.Line({kFrame.Left, kStripTop}, {kFrame.Right(), kStripTop}, kRulePen);
    canvas.Line({title.Left, kStripTop}, {title.Left, title.Bottom()}, kRulePen);
    double y = kStripTop + 2;
    for (const QString& note : m_content.Notes) {
        canvas.Text({kFrame.Left + 3, y, title.Left - kFrame.Left - 6, kNoteLine}, note, kNoteText);
        y += kNoteLine;
    }
    TTitleRows rows{{"작업 파일", QString::fromStdString(m_content.Title.JobName)},
                    {"날짜", QString::fromStdString(m_content.Title.Date)}};
    rows.insert(rows.end(), m_content.Subject.begin(), m_content.Subject.end());
    rows.emplace_back("쪽", QString("%1 / %2").arg(page + 1).arg(PageCount()));
    PaintTitleBlock(canvas, title, rows);
}

void TReport::PaintSlice(const Slice& slice, TSheetCanvas& canvas) const {
    const TReportTable& table = m_content.Tables[slice.Table];
    const std::vector<double> edges = columnEdges(table);
    const double left = edges.front(), right = edges.back();
    double y = slice.Top;
    if (!table.Caption.isEmpty()) {
        canvas.Text({left, y, right - left, kCaptionHeight},
                    slice.Continued ? table.Caption + " (계속)" : table.Caption, kCaptionText);
        y += kCaptionHeight;
    }
    const double top = y;
    std::vector<QString> cells(table.Columns.size());
    if (hasHeader(table)) {
        for (size_t c = 0; c < table.Columns.size(); ++c)
            canvas.Text({edges[c] + kCellPad, y, edges[c + 1] - edges[c] - 2 * kCellPad, kHeaderHeight},
                        table.Columns[c].Heading, kHeaderText);
        y += kHeaderHeight;
        canvas.Line({left, y}, {right, y}, kRulePen);
    }
    for (size_t r = slice.First; r < slice.First + slice.Count; ++r) {
        for (QString& cell : cells)
            cell.clear();
        table.Row(r, cells);
        paintRow(canvas, table, edges, y, kRowHeight, cells, false);
        y += kRowHeight;
        if (r + 1 < slice.First + slice.Count)
            canvas.Line({left, y}, {right, y}, kHairPen);
    }
    if (slice.Totals && !table.Totals.empty()) {
        canvas.Line({left, y}, {right, y}, kHairPen);
        y += kTotalsGap;
        canvas.Line({left, y}, {right, y}, kHairPen);
        for (const auto& sums : table.Totals) {
            paintRow(canvas, table, edges, y, kRowHeight, sums, true);
            y += kRowHeight;
        }
    }
    for (size_t c = 1; c + 1 < edges.size(); ++c)
        canvas.Line({edges[c], top}, {edges[c], y}, kHairPen);
    canvas.Box({left, top, right - left, y - top}, kRulePen);
}

void TReport::SetUpPage(QPagedPaintDevice& device) {
    // As for the plot: one at a time, so that a printer refusing zero margins keeps the paper.
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageOrientation(QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void TReport::Print(QPainter& painter, QPagedPaintDevice& device, int first, int last,
                    const Progress& progress) const {
    first = std::max(first, 0);
    last = std::min(last, PageCount() - 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    TPainterCanvas canvas(painter);
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage())
            throw std::runtime_error("새 쪽을 시작할 수 없습니다.");
        painter.fillRect(QRectF(0, 0, painter.device()->width(), painter.device()->height()), Qt::white);
        PaintPage(page, canvas);
        if (progress)
            progress(page - first + 1, last - first + 1);
    }
    painter.restore();
}

void TReport::WritePdf(const std::function<void(std::string_view)>& sink, const Progress& progress) const {
    QTemporaryFile scratch;
    if (!scratch.open())
        throw std::runtime_error(("PDF를 만들 수 없습니다: " + scratch.errorString()).toStdString());
    {
        QPdfWriter writer(&scratch);
        writer.setCreator("PointBridge");
        writer.setTitle(m_content.Name + " - " + QString::fromStdString(m_content.Title.JobName));
        SetUpPage(writer);
        QPainter painter;
        if (!painter.begin(&writer))
            throw std::runtime_error("PDF를 만들 수 없습니다.");
        Print(painter, writer, 0, PageCount() - 1, progress);
        painter.end();
    }
    // The writer does not report a failed write (a full temporary folder).
    if (scratch.error() != QFileDevice::NoError)
        throw std::runtime_error(("PDF를 만들 수 없습니다: " + scratch.errorString()).toStdString());
    SendPdf(scratch, sink);
}
