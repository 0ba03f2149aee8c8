#include "view/SheetCanvas.h"

#include "toolkit/Fonts.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Title block, mm.
constexpr double kTitleText = 3.0;
constexpr double kTitleLabelWidth = 24;
constexpr double kTitlePad = 2;

} // namespace

void TSheetCanvas::Box(const PaperRect& r, double width) {
    Line({r.Left, r.Top}, {r.Right(), r.Top}, width);
    Line({r.Right(), r.Top}, {r.Right(), r.Bottom()}, width);
    Line({r.Right(), r.Bottom()}, {r.Left, r.Bottom()}, width);
    Line({r.Left, r.Bottom()}, {r.Left, r.Top}, width);
}

struct TPainterCanvas::FontCache {
    double size = -1;
    bool bold = false;
    QFont font;
    QFontMetricsF metrics{QFont()};
};

TPainterCanvas::TPainterCanvas(QPainter& painter)
    : m_painter(painter), m_dotsPerMm(painter.device()->logicalDpiX() / 25.4),
      m_fonts(std::make_unique<FontCache>()) {}

TPainterCanvas::~TPainterCanvas() = default;

void TPainterCanvas::Text(const PaperRect& box, const QString& text, const TTextStyle& style) {
    FontCache& f = *m_fonts;
    if (style.Size != f.size || style.Bold != f.bold) {
        f.size = style.Size;
        f.bold = style.Bold;
        f.font = QFont(QString::fromUtf8(Fonts::kUiFamily));
        f.font.setPixelSize(std::max(1, static_cast<int>(std::lround(style.Size * m_dotsPerMm))));
        f.font.setBold(style.Bold);
        f.metrics = QFontMetricsF(f.font, m_painter.device());
    }
    const double width = box.Width * m_dotsPerMm;
    const QString shown = f.metrics.elidedText(text, Qt::ElideMiddle, width);
    double left = box.Left * m_dotsPerMm;
    if (style.Align != TTextAlign::Left) {
        const double spare = width - f.metrics.horizontalAdvance(shown);
        left += style.Align == TTextAlign::Right ? spare : spare / 2;
    }
    const double top = box.Top * m_dotsPerMm + (box.Height * m_dotsPerMm - f.metrics.height()) / 2;
    m_painter.setFont(f.font);
    m_painter.setPen(Qt::black);
    m_painter.drawText(QPointF(left, top + f.metrics.ascent()), shown);
}

void TPainterCanvas::Line(PaperPoint from, PaperPoint to, double width) {
    QPen pen(Qt::black, width * m_dotsPerMm);
    pen.setCapStyle(Qt::SquareCap);
    m_painter.setPen(pen);
    m_painter.drawLine(QPointF(from.X * m_dotsPerMm, from.Y * m_dotsPerMm),
                       QPointF(to.X * m_dotsPerMm, to.Y * m_dotsPerMm));
}

void PaintTitleBlock(TSheetCanvas& canvas, const PaperRect& cell, const TTitleRows& rows) {
    if (rows.empty())
        return;
    const double rowHeight = cell.Height / static_cast<double>(rows.size());
    const double valueLeft = cell.Left + kTitleLabelWidth;
    canvas.Line({valueLeft, cell.Top}, {valueLeft, cell.Bottom()}, kRulePen);
    const TTextStyle style{kTitleText};
    for (size_t i = 0; i < rows.size(); ++i) {
        const double top = cell.Top + static_cast<double>(i) * rowHeight;
        if (i > 0)
            canvas.Line({cell.Left, top}, {cell.Right(), top}, kRulePen);
        canvas.Text({cell.Left + kTitlePad, top, kTitleLabelWidth - 2 * kTitlePad, rowHeight},
                    rows[i].first, style);
        canvas.Text({valueLeft + kTitlePad, top, cell.Right() - valueLeft - 2 * kTitlePad, rowHeight},
                    rows[i].second, style);
    }
}
