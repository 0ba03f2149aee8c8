#include "view/PlotPainter.h"

#include "model/NCADProject.h"
#include "toolkit/Fonts.h"
#include "view/LabelPlacer.h"
#include "view/PdfPages.h"
#include "view/PointSymbol.h"
#include "view/SheetCanvas.h"

#include <QDate>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QPolygonF>
#include <QTemporaryFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace {

// Line widths, mm (the frame and rules as every sheet has them).
constexpr double kCodeLinePen = 0.25;
// Text sizes (em), mm.
constexpr double kTitleText = 3.0;
constexpr double kStripText = 2.5;
constexpr double kNorthText = 4.0;
// Points on one page of a PDF: QPdfWriter holds a page's whole content in memory (about
// 1 KB a point with its labels), so a big job is drawn on several pages that
// AppendJoinedPages() then puts on one.
constexpr int kPointsPerPdfPage = 20000;

// Millimetres to device units.
struct Mm {
    double dots;

    double operator()(double mm) const { return mm * dots; }
    QPointF At(double x, double y) const { return {x * dots, y * dots}; }
    QPointF At(PaperPoint p) const { return At(p.X, p.Y); }
    QRectF Rect(const PaperRect& r) const {
        return {r.Left * dots, r.Top * dots, r.Width * dots, r.Height * dots};
    }
};

QFont fontOf(const char* family, double emMm, const Mm& mm) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(mm(emMm)))));
    return font;
}

QPen penOf(double widthMm, const Mm& mm) {
    QPen pen(Qt::black, mm(widthMm));
    pen.setJoinStyle(Qt::MiterJoin);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}

QString numberText(double v) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, res.ptr - buf);
}

// Text with its top-left corner at `topLeft` (device units); `align` 0 left, 1 centred on x.
void drawText(QPainter& painter, const QFont& font, QPointF topLeft, const QString& text,
              int align = 0) {
    const QFontMetricsF fm(font, painter.device());
    if (align == 1)
        topLeft.rx() -= fm.horizontalAdvance(text) / 2;
    painter.setFont(font);
    painter.drawText(QPointF(topLeft.x(), topLeft.y() + fm.ascent()), text);
}

void paintNorthArrow(QPainter& painter, const PaperRect& cell, const Mm& mm) {
    const double cx = cell.Left + cell.Width / 2;
    drawText(painter, fontOf(Fonts::kUiFamily, kNorthText, mm), mm.At(cx, cell.Top + 2.5), "N", 1);
    // The classic half-filled arrow: the western half solid, the eastern half outlined.
    const double tip = cell.Top + 9, base = cell.Bottom() - 3, notch = base - 4, half = 3;
    painter.setPen(penOf(kRulePen, mm));
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygonF{mm.At(cx, tip), mm.At(cx - half, base), mm.At(cx, notch)});
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(QPolygonF{mm.At(cx, tip), mm.At(cx, notch), mm.At(cx + half, base)});
}

void paintScaleBar(QPainter& painter, const PlotLayout& layout, const Mm& mm) {
    const PaperRect cell = layout.ScaleBarCell();
    const double cx = cell.Left + cell.Width / 2;
    const QFont font = fontOf(Fonts::kUiFamily, kStripText, mm);
    drawText(painter, fontOf(Fonts::kUiFamily, kTitleText, mm), mm.At(cx, cell.Top + 3),
             QString::fromUtf8("축척 1:%1").arg(layout.Scale()), 1);

    const double length = layout.ScaleBarLength();
    const double barMm = length * layout.MmPerUnit();
    const double left = cx - barMm / 2, top = cell.Top + 11, height = 2;
    constexpr int kSegments = 4;
    painter.setPen(penOf(kRulePen, mm));
    for (int i = 0; i < kSegments; ++i) {
        painter.setBrush(i % 2 == 0 ? Qt::black : Qt::white);
        const PaperRect segment{left + i * barMm / kSegments, top, barMm / kSegments, height};
        painter.drawRect(mm.Rect(segment));
    }
    painter.setBrush(Qt::NoBrush);
    const double labels = top + height + 1.2;
    drawText(painter, font, mm.At(left, labels), "0", 1);
    drawText(painter, font, mm.At(cx, labels), numberText(length / 2), 1);
    drawText(painter, font, mm.At(left + barMm, labels), numberText(length) + " m", 1);
}

} // namespace

PlotTitle PlotTitle::ForJob(const QString& path) {
    PlotTitle title;
    const QString name = QFileInfo(path).fileName();
    title.JobName = name.isEmpty() ? "(이름 없음)" : name.toStdString();
    title.Date = QDate::currentDate().toString(Qt::ISODate).toStdString();
    return title;
}

PlotPainter::PlotPainter(const TNCADProject& project, const PlotLayout& layout, Layers layers,
                         PlotTitle title)
    : m_project(project), m_layout(layout), m_layers(layers), m_title(std::move(title)) {}

void PlotPainter::Paint(QPainter& painter) const { PaintSheet(painter, {}); }

void PlotPainter::PaintSheet(QPainter& painter, const std::function<void()>& pageBreak) const {
    const double dotsPerMm = painter.device()->logicalDpiX() / 25.4;
    const Mm mm{dotsPerMm};
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const PlotSheet& sheet = m_layout.Sheet();
    painter.fillRect(mm.Rect({0, 0, sheet.Width(), sheet.Height()}), Qt::white);

    painter.save();
    painter.setClipRect(mm.Rect(m_layout.MapArea()));
    PaintPoints(painter, dotsPerMm, pageBreak);
    painter.restore();

    painter.setPen(penOf(kFramePen, mm));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(mm.Rect(m_layout.Frame()));
    painter.setPen(penOf(kRulePen, mm));
    const PaperRect strip = m_layout.ScaleBarCell();
    const PaperRect frame = m_layout.Frame();
    painter.drawLine(mm.At(frame.Left, strip.Top), mm.At(frame.Right(), strip.Top));
    painter.drawLine(mm.At(strip.Left, strip.Top), mm.At(strip.Left, strip.Bottom()));
    painter.drawLine(mm.At(strip.Right(), strip.Top), mm.At(strip.Right(), strip.Bottom()));

    paintNorthArrow(painter, m_layout.ArrowCell(), mm);
    paintScaleBar(painter, m_layout, mm);
    PaintTitleBlock(painter);
    painter.restore();
}

void PlotPainter::PaintPoints(QPainter& painter, double dotsPerMm,
                              const std::function<void()>& pageBreak) const {
    const Mm mm{dotsPerMm};
    const QFont font = fontOf(Fonts::kLabelFamily, PlotLayout::kTextHeight, mm);
    const QFontMetricsF fm(font, painter.device());
    const double d = mm(PlotLayout::kLabelOffset);
    const bool dots = Shows(m_layers, TPointLayer::Dots), ids = Shows(m_layers, TPointLayer::Ids),
               codes = Shows(m_layers, TPointLayer::Codes),
               heights = Shows(m_layers, TPointLayer::Heights),
               lines = Shows(m_layers, TPointLayer::Lines);
    painter.setFont(font);
    painter.setBrush(Qt::NoBrush);
    const QPen labelPen(Qt::black);
    const QPen linePen(Qt::black, mm(kCodeLinePen), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // A dot is a point drawn with a round pen as wide as the dot: one short path element
    // instead of four curves, for each of a million points.
    const QPen dotPen(Qt::black, 2 * mm(PlotLayout::kDotRadius), Qt::SolidLine, Qt::RoundCap);
    // A point's labels go as one block (ID, code, height stacked) right of the point as in
    // the view; where that covers a block already placed, left of it, above or below; where
    // every side is taken they are left out, so that no label is drawn over another.
    const double lineHeight = fm.height();
    const double dotRadius = mm(PlotLayout::kDotRadius);
    TLabelPlacer placer(mm.Rect(m_layout.MapArea()), 2 * lineHeight);
    // The block's place on each side of the point, for a block `width` wide from `top` to
    // `bottom`: right as in the view, left, above and below.
    auto sides = [&](const TPointSymbol<double>& symbol, double top, double bottom, double width, QRectF* out) {
        const double height = bottom - top, centred = symbol.X - width / 2;
        out[0] = QRectF(symbol.LabelLeft(), top, width, height);
        out[1] = QRectF(symbol.X - symbol.Offset - width, top, width, height);
        out[2] = QRectF(centred, symbol.Y - dotRadius - height, width, height);
        out[3] = QRectF(centred, symbol.Y + dotRadius, width, height);
    };
    // Rows whose text is measured only once some side is free even for a sliver of a block:
    // in a dense job most points find none, and measuring is what costs.
    struct Row {
        double top;
        const QString* text;
        double width; // < 0: not measured yet
    };
    auto placeLabels = [&](const TPointSymbol<double>& symbol, Row* rows, int count) {
        if (count == 0)
            return;
        double top = rows[0].top, bottom = rows[0].top;
        for (int i = 0; i < count; ++i) {
            top = std::min(top, rows[i].top);
            bottom = std::max(bottom, rows[i].top + lineHeight);
        }
        QRectF places[4];
        sides(symbol, top, bottom, 1e-3 * lineHeight, places);
        if (std::none_of(std::begin(places), std::end(places), [&](const QRectF& r) { return placer.IsFree(r); }))
            return;
        double width = 0;
        for (int i = 0; i < count; ++i) {
            if (rows[i].width < 0)
                rows[i].width = fm.horizontalAdvance(*rows[i].text);
            width = std::max(width, rows[i].width);
        }
        sides(symbol, top, bottom, width, places);
        for (const QRectF& block : places) {
            if (!placer.IsFree(block))
                continue;
            placer.Place(block);
            const double down = block.top() - top;
            for (int i = 0; i < count; ++i)
                painter.drawText(QPointF(block.left(), rows[i].top + down + fm.ascent()), *rows[i].text);
            return;
        }
    };
    THeightText heightText;

    const auto total = static_cast<size_t>(m_project.TotalPointCount());
    size_t done = 0;
    QPolygonF line, dotsToDraw;
    int drawn = 0;
    // What is gathered is drawn: the dots, and the group's line so far (the next piece
    // goes on from its last point).
    auto flush = [&](bool groupHasLine) {
        if (lines && groupHasLine && line.size() >= 2) {
            painter.setPen(linePen);
            painter.drawPolyline(line);
        }
        if (!dotsToDraw.isEmpty()) {
            painter.setPen(dotPen);
            painter.drawPoints(dotsToDraw);
        }
        dotsToDraw.clear();
        painter.setPen(labelPen);
    };
    painter.setPen(labelPen);
    for (const auto& item : m_project) {
        const QString code = BoundedLabel(QString::fromStdString(item->Code()));
        const double codeWidth = codes ? fm.horizontalAdvance(code) : -1;
        const bool hasLine = !item->Code().empty();
        line.clear();
        for (const auto& point : item->Points) {
            const QPointF at = mm.At(m_layout.ToPaper(point->X, point->Y));
            const TPointSymbol<double> symbol{at.x(), at.y(), d};
            line << at;
            if (dots)
                dotsToDraw << at;
            Row rows[3];
            int count = 0;
            QString id, z;
            if (ids && !point->ID.empty()) {
                id = BoundedLabel(QString::fromStdString(point->ID));
                rows[count++] = {symbol.IdTop(), &id, -1};
            }
            if (codes && !code.isEmpty())
                rows[count++] = {symbol.CodeTop(), &code, codeWidth};
            if (heights) {
                if (const std::string_view text = heightText(point->Z); !text.empty()) {
                    z = BoundedLabel(QString::fromLatin1(text.data(), qsizetype(text.size())));
                    rows[count++] = {symbol.HeightTop(), &z, -1};
                }
            }
            placeLabels(symbol, rows, count);
            if (pageBreak && ++drawn % kPointsPerPdfPage == 0) {
                flush(hasLine);
                line = QPolygonF{at};
                pageBreak();
            }
            if (m_progress && ++done % 1024 == 0 && !m_progress(done, total))
                return;
        }
        flush(hasLine);
    }
    if (m_progress)
        m_progress(total, total);
}

QString PlotPainter::BoundedLabel(const QString& text) {
    if (text.size() <= kMaxLabelChars)
        return text;
    qsizetype cut = kMaxLabelChars - 1;
    if (text[cut - 1].isHighSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}

void PlotPainter::PaintTitleBlock(QPainter& painter) const {
    TPainterCanvas canvas(painter);
    ::PaintTitleBlock(canvas, m_layout.TitleCell(),
                    {{"작업 파일", QString::fromStdString(m_title.JobName)},
                     {"날짜", QString::fromStdString(m_title.Date)},
                     {"축척", QString("1:%1").arg(m_layout.Scale())},
                     {"측점 수", QString::number(m_project.TotalPointCount())}});
}

void PlotPainter::SetUpPage(QPagedPaintDevice& device, const PlotSheet& sheet) {
    // One at a time: a printer that cannot print to the edge refuses zero margins, which
    // must not cost the paper size (its full-page mode keeps the origin at the corner).
    device.setPageSize(QPageSize(sheet.Paper == PaperSize::A3 ? QPageSize::A3 : QPageSize::A4));
    device.setPageOrientation(sheet.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void PlotPainter::WritePdf(const std::function<void(std::string_view)>& sink) const {
    QTemporaryFile scratch;
    if (!scratch.open())
        throw std::runtime_error(("PDF를 만들 수 없습니다: " + scratch.errorString()).toStdString());
    const bool inPieces = m_project.TotalPointCount() > kPointsPerPdfPage;
    // Should the pages not join, the sheet is drawn again in one piece.
    for (const bool pieces : {inPieces, false}) {
        scratch.resize(0);
        scratch.seek(0);
        {
            QPdfWriter writer(&scratch);
            writer.setCreator("PointBridge");
            writer.setTitle(QString::fromStdString(m_title.JobName));
            SetUpPage(writer, m_layout.Sheet());
            QPainter painter;
            if (!painter.begin(&writer))
                throw std::runtime_error("PDF를 만들 수 없습니다.");
            PaintSheet(painter, pieces ? std::function<void()>([&] { writer.newPage(); })
                                       : std::function<void()>());
            painter.end();
        }
        // The writer does not report a failed write (a full temporary folder).
        if (scratch.error() != QFileDevice::NoError)
            throw std::runtime_error(("PDF를 만들 수 없습니다: " + scratch.errorString()).toStdString());
        if (!pieces || AppendJoinedPages(scratch))
            break;
    }
    SendPdf(scratch, sink);
}
