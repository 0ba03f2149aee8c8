#pragma once

#include "view/PlotLayout.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

class QPainter;

// Drawing on a printed sheet in paper millimetres from the sheet's top-left corner, x to the
// right and y downward, black on white. The plot's strip and the reports draw through it,
// so that a page paints on any device and tests can read back the texts a page holds.

enum class TTextAlign { Left, Centre, Right };

struct TTextStyle {
    double Size = 3.0; // em, mm
    TTextAlign Align = TTextAlign::Left;
    bool Bold = false;
};

// Line widths, mm.
inline constexpr double kFramePen = 0.5;
inline constexpr double kRulePen = 0.25;
inline constexpr double kHairPen = 0.1;

class TSheetCanvas {
public:
    virtual ~TSheetCanvas() = default;
    // One line of text, vertically centred in `box` and aligned in it; a text wider than the
    // box is shortened in the middle with "…", so that it never runs into its neighbour.
    virtual void Text(const PaperRect& box, const QString& text, const TTextStyle& style) = 0;
    virtual void Line(PaperPoint from, PaperPoint to, double width) = 0;

    void Box(const PaperRect& r, double width);
};

// Paints on `painter`, whose origin must be the sheet's corner; its device's resolution
// (logical dots per inch) maps millimetres to device units. Texts in the interface font.
class TPainterCanvas final : public TSheetCanvas {
public:
    explicit TPainterCanvas(QPainter& painter);
    ~TPainterCanvas() override;

    void Text(const PaperRect& box, const QString& text, const TTextStyle& style) override;
    void Line(PaperPoint from, PaperPoint to, double width) override;

private:
    struct FontCache;
    QPainter& m_painter;
    double m_dotsPerMm;
    std::unique_ptr<FontCache> m_fonts; // the last style's font and metrics, reused row after row
};

// The title block of a plot or a report: rows of a label and its value, equally high.
using TTitleRows = std::vector<std::pair<QString, QString>>;
void PaintTitleBlock(TSheetCanvas& canvas, const PaperRect& cell, const TTitleRows& rows);
