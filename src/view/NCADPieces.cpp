// The plan view's long pictures: drawn in horizontal bands between turns of the event loop,
// so that the window shows them growing and takes input meanwhile.
#include "view/NCAD.h"

#include "toolkit/Application.h"
#include "view/LabelPainter.h"

#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

// Rows [y0, y1) of the background: black inside a one-pixel white frame.
void clearRows(QImage& image, int y0, int y1) {
    const int w = image.width(), h = image.height();
    for (int y = y0; y < y1; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (y == 0 || y == h - 1) {
            std::fill(row, row + w, kWhite);
            continue;
        }
        std::fill(row, row + w, kBlack);
        row[0] = kWhite;
        row[w - 1] = kWhite;
    }
}

} // namespace

TPictureState TNCAD::PictureState() const {
    if (m_pieces.Active)
        return TPictureState::Drawing;
    return m_pieces.For.Valid ? TPictureState::Cancelled : TPictureState::Complete;
}

int TNCAD::PictureProgress() const {
    if (!m_pieces.For.Valid)
        return 100;
    const int bands = m_pieces.Count > 0 ? m_pieces.Next * 100 / m_pieces.Count : 0;
    if (!m_pieces.IndexPending)
        return bands;
    // The grid's build counts as the first half.
    if (!m_index.GridReady())
        return static_cast<int>(m_index.GridWorkDone() * 50 /
                                std::max<std::size_t>(1, m_index.GridWork()));
    return 50 + bands / 2;
}

void TNCAD::SetPieceCosts(std::size_t threshold, std::size_t perBand) {
    m_pieceThreshold = threshold;
    m_pieceCost = std::max<std::size_t>(1, perBand);
}

bool TNCAD::SameMapping(const Drawn& d) const {
    return d.Size == m_offscreen.size() && d.Scale == Scale && d.CenterX == CenterX &&
           d.CenterY == CenterY && d.HalfWidth == HalfWidth && d.HalfHeight == HalfHeight;
}

std::size_t TNCAD::PictureCost(int y0, int y1) const {
    const double s = Scale, w = m_offscreen.width();
    return m_index.Cost(-HalfWidth / s + CenterX, CenterY - (y1 - HalfHeight) / s,
                        (w - HalfWidth) / s + CenterX, CenterY - (y0 - HalfHeight) / s);
}

std::size_t TNCAD::PictureCost() const {
    return PictureCost(0, m_offscreen.height());
}

void TNCAD::PlanBands() {
    // Bands of about equal cost, so that no turn of the event loop is much longer than the
    // others: a job is seldom spread evenly over the picture.
    // A band also visits the points whose labels reach into it from above and below, about
    // two label cells and the label's offset: a band at least twice that high keeps the
    // bands' sum within half again of a whole paint.
    const MarkSizes sizes = MarkSizesFor(Scale);
    const int cell = std::max(sizes.textHeight, LabelPainter::kDefaultCellHeight);
    const int reach = std::min(2 * cell + sizes.offset + sizes.radius + 8, m_offscreen.height());
    constexpr int kStep = 4; // pixels
    const int h = m_offscreen.height();
    m_pieces.Rows = {0};
    std::size_t cost = 0;
    for (int y = 0; y < h; y += kStep) {
        cost += PictureCost(y, std::min(h, y + kStep));
        if (cost >= m_pieceCost && y + kStep - m_pieces.Rows.back() >= 2 * reach && y + kStep < h) {
            m_pieces.Rows.push_back(y + kStep);
            cost = 0;
        }
    }
    m_pieces.Rows.push_back(h);
    m_pieces.Count = static_cast<int>(m_pieces.Rows.size()) - 1;
}

void TNCAD::InvalidatePicture() {
    m_drawn.Valid = false;
    if (m_pieces.For.Valid)
        StopPieces();
}

void TNCAD::ReportPieces() {
    if (OnPictureProgress)
        OnPictureProgress(PictureState(), PictureProgress());
}

void TNCAD::StartPieces() {
    if (!m_pieceTimer) {
        m_pieceTimer = new QTimer(this);
        m_pieceTimer->setSingleShot(true);
        m_pieceTimer->setInterval(0);
        connect(m_pieceTimer, &QTimer::timeout, this,
                [this] { RunGuarded([this] { PaintNextPiece(); }); });
    }
    m_pieces = {};
    m_pieces.For = {true, Scale, CenterX, CenterY, HalfWidth, HalfHeight, m_offscreen.size()};
    m_pieces.Active = true;
    m_pieces.IndexPending = !m_index.GridReady();
    m_drawn.Valid = false;
    // The bands fill a clean ground: what is not drawn yet shows as empty, not as the old picture.
    clearRows(m_offscreen, 0, m_offscreen.height());
    m_pieceTimer->start();
    ReportPieces();
}

void TNCAD::StopPieces() {
    const bool shown = m_pieces.For.Valid;
    m_pieces = {};
    if (m_pieceTimer)
        m_pieceTimer->stop();
    if (shown)
        ReportPieces();
}

void TNCAD::CancelPicture() {
    if (!m_pieces.Active)
        return;
    m_pieces.Active = false; // For stays: the part drawn is kept while the view stays put
    m_pieceTimer->stop();
    ReportPieces();
    viewport()->update();
}

void TNCAD::PaintNextPiece() {
    if (!m_pieces.Active)
        return;
    // The job changed since the bands began (the owner asked for a repaint that could not
    // be shown): the check starts them again if it must.
    if (TakeJobCheck()) {
        UpdatePicture(true, true);
        if (!m_pieces.Active)
            return;
    }
    if (!m_index.GridReady()) {
        // A point or segment costs the grid about twice what it costs a paint.
        m_index.StepGrid(m_pieceCost / 2);
        m_pieceTimer->start();
        ReportPieces();
        return;
    }
    const int w = m_offscreen.width();
    if (m_pieces.Count == 0)
        PlanBands();
    const int y0 = m_pieces.Rows[static_cast<size_t>(m_pieces.Next)];
    const int y1 = m_pieces.Rows[static_cast<size_t>(m_pieces.Next) + 1];
    const QRect band(0, y0, w, y1 - y0);
    // Drawn on a whole-size image, so that what reaches in from outside the band is cut
    // where a whole paint cuts it, then copied in.
    if (m_scratch.size() != m_offscreen.size())
        m_scratch = QImage(m_offscreen.size(), QImage::Format_RGB32);
    clearRows(m_scratch, y0, y1);
    m_omittedNow = false;
    if (AnyStoryActive() && !band.isEmpty())
        PaintAreas(m_scratch, {band}, false);
    m_pieces.Omitted = m_pieces.Omitted || m_omittedNow;
    for (int y = y0; y < y1; ++y)
        std::memcpy(m_offscreen.scanLine(y), m_scratch.constScanLine(y),
                    static_cast<size_t>(w) * 4);
    if (++m_pieces.Next < m_pieces.Count) {
        m_pieceTimer->start();
        ReportPieces();
    } else {
        m_drawn = m_pieces.For;
        const bool omitted = m_pieces.Omitted;
        m_pieces = {};
        SetLabelsOmitted(omitted);
        ReportPieces();
    }
    viewport()->update(band);
}

void TNCAD::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_pieces.Active) {
        RunGuarded([this] { CancelPicture(); });
        event->accept();
        return;
    }
    TBasicNCAD::keyPressEvent(event);
}
