#pragma once

#include <QFont>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QImage;
class QPainter;

// Draws view labels (white text on an opaque black cell, top-left corner given) straight
// into an RGB32 image, without allocating per label. Printable ASCII (IDs, heights) is
// assembled from a per-size table of pre-rendered glyph cells; other texts (Korean codes)
// are rendered once and kept; labels taller than the table's limit go through QPainter,
// which clips huge glyphs itself.
class LabelPainter {
public:
    // A text resolved once and drawn many times (a group's code for all its points).
    struct Prepared {
        std::string_view text;
        const QImage* image = nullptr; // rendered cell when the text is not plain ASCII
    };

    explicit LabelPainter(QString family);
    ~LabelPainter();

    // Starts a paint on `image` (RGB32). cellHeight is the wanted text cell height in pixels;
    // 0 selects the default height.
    void Begin(QImage& image, QPainter& painter, int cellHeight);
    void End();

    Prepared Prepare(std::string_view text);
    void Draw(int x, int y, std::string_view text) { Draw(x, y, Prepare(text)); }
    void Draw(int x, int y, const Prepared& label);

    // Height of the cells drawn in the current paint, pixels.
    int CellHeight() const;
    // No character of a label is wider than this in the current paint, pixels.
    int WidestChar() const;
    // Default cell height for a text height of 0, pixels.
    static constexpr int kDefaultCellHeight = 12;

private:
    struct GlyphSet;
    GlyphSet& SetFor(int cellHeight);
    void BuildGlyphs(GlyphSet& set);
    const QImage* RenderText(std::string_view text);
    void DrawAscii(int x, int y, std::string_view text);
    void DrawWithPainter(int x, int y, std::string_view text);
    void Blit(const std::uint32_t* src, int srcStride, int w, int h, int x, int y);

    QString m_family;
    double m_cellPerPixelSize = 0; // cell height of the family per unit of pixel size
    std::vector<std::unique_ptr<GlyphSet>> m_sets; // a few recent sizes, newest last
    GlyphSet* m_set = nullptr;
    QImage* m_image = nullptr;
    QPainter* m_painter = nullptr;
    std::uint32_t* m_bits = nullptr;
    int m_stride = 0; // pixels per image row
    int m_width = 0;
    int m_height = 0;
};
