#include "toolkit/NiceGrid.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace {
constexpr int kMaxCols = TGridRow::kMaxCols;
}

class TGridModel : public QAbstractTableModel {
public:
    using Row = TGridRow;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_published;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if ((role != Qt::DisplayRole && role != Qt::EditRole) || !index.isValid())
            return {};
        const std::string_view cell = Cell(index.column(), index.row());
        return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        if (o == Qt::Vertical)
            return section + 1;
        if (section >= 0 && section < static_cast<int>(m_titles.size()))
            return m_titles[static_cast<size_t>(section)];
        return {};
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        const Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        return Editable ? f | Qt::ItemIsEditable : f;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!Editable || role != Qt::EditRole || !index.isValid())
            return false;
        const QByteArray utf8 = value.toString().toUtf8();
        SetCell(index.column(), index.row(),
                std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
        return true;
    }

    bool Editable = false;

    void SetTitles(const QStringList& titles) {
        beginResetModel();
        m_titles = titles.mid(0, kMaxCols);
        endResetModel();
    }
    int Cols() const { return static_cast<int>(m_titles.size()); }
    int Rows() const { return static_cast<int>(m_rows.size()); }

    std::string_view Cell(int col, int row) const {
        if (!Valid(col, row))
            return {};
        const Row& r = m_rows[static_cast<size_t>(row)];
        const uint32_t start = col == 0 ? 0 : r.end[static_cast<size_t>(col - 1)];
        return std::string_view(r.text).substr(start, r.end[static_cast<size_t>(col)] - start);
    }

    void SetCell(int col, int row, std::string_view value) {
        if (!Valid(col, row))
            return;
        Row& r = m_rows[static_cast<size_t>(row)];
        const uint32_t start = col == 0 ? 0 : r.end[static_cast<size_t>(col - 1)];
        const uint32_t oldEnd = r.end[static_cast<size_t>(col)];
        r.text.replace(start, oldEnd - start, value);
        const int64_t delta = static_cast<int64_t>(value.size()) - (oldEnd - start);
        for (int c = col; c < kMaxCols; ++c)
            r.end[static_cast<size_t>(c)] = static_cast<uint32_t>(r.end[static_cast<size_t>(c)] + delta);
        if (row < m_published)
            emit dataChanged(index(row, col), index(row, col));
    }

    int Append(const std::string_view* cells, int count) {
        Row r;
        size_t total = 0;
        for (int c = 0; c < count; ++c)
            total += cells[c].size();
        r.text.reserve(total);
        for (int c = 0; c < kMaxCols; ++c) {
            if (c < count)
                r.text.append(cells[c]);
            r.end[static_cast<size_t>(c)] = static_cast<uint32_t>(r.text.size());
        }
        m_rows.push_back(std::move(r));
        const int row = Rows() - 1;
        if (m_updating == 0)
            Publish();
        return row;
    }

    void Remove(int row) {
        if (row < 0 || row >= Rows())
            return;
        Publish();
        beginRemoveRows({}, row, row);
        m_rows.erase(m_rows.begin() + row);
        m_published = Rows();
        endRemoveRows();
    }

    TGridRows Take(int first, int count) {
        count = std::min(count, Rows() - std::max(first, 0));
        if (first < 0 || count <= 0)
            return {};
        const auto from = m_rows.begin() + first;
        // Rows not yet announced go quietly: the table never showed them (a cancelled import).
        if (first >= m_published && first + count == Rows()) {
            TGridRows taken(std::make_move_iterator(from), std::make_move_iterator(m_rows.end()));
            m_rows.erase(from, m_rows.end());
            return taken;
        }
        Publish();
        beginRemoveRows({}, first, first + count - 1);
        TGridRows taken(std::make_move_iterator(from), std::make_move_iterator(from + count));
        m_rows.erase(from, from + count);
        m_published = Rows();
        endRemoveRows();
        return taken;
    }

    void Insert(int row, TGridRows rows) {
        if (rows.empty())
            return;
        Publish();
        row = std::clamp(row, 0, Rows());
        beginInsertRows({}, row, row + static_cast<int>(rows.size()) - 1);
        m_rows.insert(m_rows.begin() + row, std::make_move_iterator(rows.begin()),
                      std::make_move_iterator(rows.end()));
        m_published = Rows();
        endInsertRows();
    }

    void Clear() {
        beginResetModel();
        m_rows.clear();
        m_published = 0;
        endResetModel();
    }

    void* Tag(int row) const { return (row >= 0 && row < Rows()) ? m_rows[static_cast<size_t>(row)].tag : nullptr; }
    void SetTag(int row, void* tag) {
        if (row >= 0 && row < Rows())
            m_rows[static_cast<size_t>(row)].tag = tag;
    }
    int FindTag(const void* tag) const {
        for (int i = 0; i < Rows(); ++i)
            if (m_rows[static_cast<size_t>(i)].tag == tag)
                return i;
        return -1;
    }

    void Begin() { ++m_updating; }
    void End() {
        if (m_updating > 0 && --m_updating == 0)
            Publish();
    }

private:
    bool Valid(int col, int row) const { return col >= 0 && col < Cols() && row >= 0 && row < Rows(); }

    // Announces rows appended since the last announcement in one insertion.
    void Publish() {
        if (m_published == Rows())
            return;
        beginInsertRows({}, m_published, Rows() - 1);
        m_published = Rows();
        endInsertRows();
    }

    QStringList m_titles;
    std::vector<Row> m_rows;
    int m_published = 0;
    int m_updating = 0;
};

TNiceGrid::TNiceGrid(QWidget* parent) : QTableView(parent), m_model(new TGridModel(this)) {
    setModel(m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Fixed row heights keep a million rows cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    connect(this, &QTableView::clicked, this, [this] { emit Click(); });
    connect(this, &QTableView::doubleClicked, this, [this] { emit DblClick(); });
}

TNiceGrid::~TNiceGrid() = default;

void TNiceGrid::SetColumns(const QStringList& titles, const std::vector<int>& widths) {
    m_model->SetTitles(titles);
    for (int c = 0; c < static_cast<int>(widths.size()) && c < m_model->Cols(); ++c)
        setColumnWidth(c, widths[static_cast<size_t>(c)]);
}

int TNiceGrid::ColCount() const { return m_model->Cols(); }
int TNiceGrid::RowCount() const { return m_model->Rows(); }

int TNiceGrid::AddRow() { return m_model->Append(nullptr, 0); }

void TNiceGrid::DeleteRow(int row) { m_model->Remove(row); }
void TNiceGrid::ClearRows() { m_model->Clear(); }
TGridRows TNiceGrid::TakeRows(int first, int count) { return m_model->Take(first, count); }
void TNiceGrid::InsertRows(int row, TGridRows rows) { m_model->Insert(row, std::move(rows)); }

QString TNiceGrid::Cells(int col, int row) const {
    const std::string_view v = m_model->Cell(col, row);
    return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
}

void TNiceGrid::SetCells(int col, int row, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    m_model->SetCell(col, row, std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

std::string_view TNiceGrid::CellUtf8(int col, int row) const { return m_model->Cell(col, row); }
void TNiceGrid::SetCellUtf8(int col, int row, std::string_view text) { m_model->SetCell(col, row, text); }
int TNiceGrid::AddRowUtf8(const std::string_view* cells, int count) {
    return m_model->Append(cells, std::min(count, kMaxCols));
}

void* TNiceGrid::RowTag(int row) const { return m_model->Tag(row); }
void TNiceGrid::SetRowTag(int row, void* tag) { m_model->SetTag(row, tag); }
int TNiceGrid::FindRowByTag(const void* tag) const { return m_model->FindTag(tag); }

int TNiceGrid::SelectedRow() const {
    const QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList{};
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TNiceGrid::SetSelectedRow(int row) {
    if (row < 0 || row >= m_model->rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
    setCurrentIndex(m_model->index(row, 0));
}

void TNiceGrid::SetEditable(bool editable) {
    m_model->Editable = editable;
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed
                             : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(editable ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
}

void TNiceGrid::BeginUpdate() { m_model->Begin(); }
void TNiceGrid::EndUpdate() { m_model->End(); }

void TNiceGrid::SetFitColumns(int maxWidth) {
    if (m_fitMaxWidth == 0 && maxWidth > 0) {
        connect(m_model, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { FitRows(first, last); });
        connect(m_model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& from, const QModelIndex& to) { FitRows(from.row(), to.row()); });
    }
    m_fitMaxWidth = maxWidth;
    FitRows(0, RowCount() - 1);
}

void TNiceGrid::FitRows(int first, int last) {
    if (m_fitMaxWidth <= 0 || first > last)
        return;
    // What the item delegate puts around the text, and the grid line.
    const int margin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    const int padding = margin + (showGrid() ? 1 : 0) + 2;
    for (int col = 0; col < ColCount(); ++col) {
        double widest = 0;
        for (int row = first; row <= last; ++row)
            widest = std::max(widest, TextWidth(m_model->Cell(col, row)));
        const int wanted = std::min(static_cast<int>(std::ceil(widest)) + padding, m_fitMaxWidth);
        if (wanted > columnWidth(col))
            setColumnWidth(col, wanted);
    }
}

// Summed advances of the characters: a million cells are measured in milliseconds, where
// laying out each text would take seconds. Kerning is left out; the padding covers it.
double TNiceGrid::TextWidth(std::string_view utf8) const {
    if (m_asciiWidths.empty()) {
        const QFontMetricsF metrics(font());
        m_asciiWidths.resize(128);
        for (int c = 0; c < 128; ++c)
            m_asciiWidths[static_cast<size_t>(c)] = metrics.horizontalAdvance(QChar(c));
    }
    double width = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            width += m_asciiWidths[*p++];
            continue;
        }
        // One UTF-8 sequence; a broken one counts as one replacement character.
        const int length = *p >= 0xF0 ? 4 : *p >= 0xE0 ? 3 : *p >= 0xC0 ? 2 : 1;
        char32_t code = length == 1 ? 0xFFFD : (*p & (0x7F >> length));
        for (int i = 1; i < length; ++i) {
            if (p + i >= end || (p[i] & 0xC0) != 0x80) {
                code = 0xFFFD;
                break;
            }
            code = (code << 6) | (p[i] & 0x3F);
        }
        p += std::min<std::ptrdiff_t>(length, end - p);
        auto known = m_otherWidths.find(code);
        if (known == m_otherWidths.end())
            known = m_otherWidths
                        .emplace(code, QFontMetricsF(font()).horizontalAdvance(QString::fromUcs4(&code, 1)))
                        .first;
        width += known->second;
    }
    return width;
}

void TNiceGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        m_asciiWidths.clear();
        m_otherWidths.clear();
    }
    QTableView::changeEvent(event);
}
