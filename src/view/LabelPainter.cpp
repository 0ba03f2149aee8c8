#include "view/LabelPainter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kFirstGlyph = 0x20;
constexpr int kLastGlyph = 0x7E;
// Above this cell height glyph tables would cost more than they save.
constexpr int kMaxTableHeight = 160;
constexpr size_t kMaxSets = 4;
constexpr size_t kMaxCachedTexts = 20000;
constexpr std::uint32_t kBlack = 0xFF000000u;

bool isPlainAscii(std::string_view text) {
    for (unsigned char c : text)
        if (c < kFirstGlyph || c > kLastGlyph)
            return false;
    return true;
}

} // namespace

struct LabelPainter::GlyphSet {
    int wantedHeight = 0;
    QFont font;
    int cellHeight = 0;
    int ascent = 0;
    bool table = false; // glyph table and text cache in use
    int advance[128] = {};
    size_t offset[128] = {};
    std::vector<std::uint32_t> pixels;
    std::unordered_map<std::string, QImage> texts;
};

LabelPainter::LabelPainter(QString family) : m_family(std::move(family)) {}

LabelPainter::~LabelPainter() = default;

LabelPainter::GlyphSet& LabelPainter::SetFor(int cellHeight) {
    for (auto& s : m_sets)
        if (s->wantedHeight == cellHeight)
            return *s;
    if (m_cellPerPixelSize <= 0) {
        QFont probe(m_family);
        probe.setPixelSize(100);
        m_cellPerPixelSize = std::max(0.5, QFontMetrics(probe).height() / 100.0);
    }
    auto set = std::make_unique<GlyphSet>();
    set->wantedHeight = cellHeight;
    const int wanted = cellHeight > 0 ? cellHeight : kDefaultCellHeight;
    set->font = QFont(m_family);
    set->font.setPixelSize(std::max(1, static_cast<int>(std::lround(wanted / m_cellPerPixelSize))));
    const QFontMetrics fm(set->font);
    set->cellHeight = fm.height();
    set->ascent = fm.ascent();
    // Metrics of huge pixel sizes can come back nonsensical (even negative) from the font
    // engine; only sane, small cells get a glyph table.
    set->table = set->cellHeight > 0 && set->cellHeight <= kMaxTableHeight;
    if (set->table)
        BuildGlyphs(*set);
    if (m_sets.size() >= kMaxSets)
        m_sets.erase(m_sets.begin());
    m_sets.push_back(std::move(set));
    return *m_sets.back();
}

void LabelPainter::BuildGlyphs(GlyphSet& set) {
    const QFontMetrics fm(set.font);
    size_t total = 0;
    for (int c = kFirstGlyph; c <= kLastGlyph; ++c) {
        set.advance[c] = std::max(0, fm.horizontalAdvance(QChar(c)));
        set.offset[c] = total;
        total += static_cast<size_t>(set.advance[c]) * static_cast<size_t>(set.cellHeight);
    }
    set.pixels.assign(total, kBlack);
    for (int c = kFirstGlyph; c <= kLastGlyph; ++c) {
        const int w = set.advance[c];
        if (w == 0 || set.cellHeight == 0)
            continue;
        QImage cell(w, set.cellHeight, QImage::Format_RGB32);
        cell.fill(Qt::black);
        {
            QPainter p(&cell);
            p.setFont(set.font);
            p.setPen(Qt::white);
            p.drawText(0, set.ascent, QString(QChar(c)));
        }
        std::uint32_t* dst = set.pixels.data() + set.offset[c];
        for (int row = 0; row < set.cellHeight; ++row)
            std::memcpy(dst + static_cast<size_t>(row) * static_cast<size_t>(w),
                        cell.constScanLine(row), static_cast<size_t>(w) * 4);
    }
}

void LabelPainter::Begin(QImage& image, QPainter& painter, int cellHeight) {
    m_image = &image;
    m_painter = &painter;
    m_set = &SetFor(cellHeight);
    if (m_set->texts.size() > kMaxCachedTexts)
        m_set->texts.clear();
    m_bits = reinterpret_cast<std::uint32_t*>(image.bits());
    m_stride = static_cast<int>(image.bytesPerLine() / 4);
    m_width = image.width();
    m_height = image.height();
}

void LabelPainter::End() {
    m_image = nullptr;
    m_painter = nullptr;
    m_bits = nullptr;
}

int LabelPainter::CellHeight() const { return m_set ? m_set->cellHeight : 0; }

int LabelPainter::WidestChar() const {
    if (!m_set)
        return 0;
    // Hangul and other wide glyphs are about a cell high and wide; a byte of UTF-8 never
    // draws wider than that.
    int widest = std::max(m_set->cellHeight, QFontMetrics(m_set->font).maxWidth());
    for (int c = kFirstGlyph; c <= kLastGlyph; ++c)
        widest = std::max(widest, m_set->advance[c]);
    return widest;
}

const QImage* LabelPainter::RenderText(std::string_view text) {
    const std::string key(text);
    auto it = m_set->texts.find(key);
    if (it != m_set->texts.end())
        return &it->second;
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const int w = QFontMetrics(m_set->font).horizontalAdvance(s);
    QImage cell;
    if (w > 0 && m_set->cellHeight > 0) {
        cell = QImage(w, m_set->cellHeight, QImage::Format_RGB32);
        cell.fill(Qt::black);
        QPainter p(&cell);
        p.setFont(m_set->font);
        p.setPen(Qt::white);
        p.drawText(0, m_set->ascent, s);
    }
    return &m_set->texts.emplace(key, std::move(cell)).first->second;
}

LabelPainter::Prepared LabelPainter::Prepare(std::string_view text) {
    Prepared out{text, nullptr};
    if (text.empty() || !m_set->table || isPlainAscii(text))
        return out;
    out.image = RenderText(text);
    return out;
}

void LabelPainter::Draw(int x, int y, const Prepared& label) {
    if (label.text.empty() || x >= m_width || y >= m_height)
        return;
    const GlyphSet& set = *m_set;
    const int h = set.cellHeight;
    if (y + h <= 0)
        return;
    if (!set.table) {
        DrawWithPainter(x, y, label.text);
        return;
    }
    if (label.image) {
        const QImage& img = *label.image;
        if (!img.isNull())
            Blit(reinterpret_cast<const std::uint32_t*>(img.constBits()),
                 static_cast<int>(img.bytesPerLine() / 4), img.width(), img.height(), x, y);
        return;
    }
    DrawAscii(x, y, label.text);
}

void LabelPainter::DrawAscii(int x, int y, std::string_view text) {
    // Row by row over the whole label: the cells are a few pixels wide, so a call per cell
    // row would cost more than the copying.
    const GlyphSet& set = *m_set;
    const int y0 = std::max(y, 0);
    const int y1 = std::min(y + set.cellHeight, m_height);
    for (int row = y0; row < y1; ++row) {
        std::uint32_t* dst = m_bits + static_cast<ptrdiff_t>(row) * m_stride;
        const size_t srcRow = static_cast<size_t>(row - y);
        int cx = x;
        for (unsigned char c : text) {
            if (cx >= m_width)
                break;
            const int w = set.advance[c];
            const int a = std::max(0, -cx);
            const int b = std::min(w, m_width - cx);
            const std::uint32_t* src = set.pixels.data() + set.offset[c] + srcRow * static_cast<size_t>(w);
            for (int k = a; k < b; ++k)
                dst[cx + k] = src[k];
            cx += w;
        }
    }
}

void LabelPainter::Blit(const std::uint32_t* src, int srcStride, int w, int h, int x, int y) {
    const int x0 = std::max(x, 0);
    const int x1 = std::min(x + w, m_width);
    const int y0 = std::max(y, 0);
    const int y1 = std::min(y + h, m_height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const size_t bytes = static_cast<size_t>(x1 - x0) * 4;
    for (int row = y0; row < y1; ++row)
        std::memcpy(m_bits + static_cast<ptrdiff_t>(row) * m_stride + x0,
                    src + static_cast<ptrdiff_t>(row - y) * srcStride + (x0 - x), bytes);
}

void LabelPainter::DrawWithPainter(int x, int y, std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics fm(m_set->font);
    const int w = fm.horizontalAdvance(s);
    if (x + w <= 0 || w <= 0)
        return;
    m_painter->fillRect(QRect(x, y, w, m_set->cellHeight), Qt::black);
    m_painter->setFont(m_set->font);
    m_painter->setPen(Qt::white);
    m_painter->drawText(x, y + m_set->ascent, s);
}
