#include "toolkit/NiceGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>

#include <algorithm>
#include <array>
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
        Publish();
        beginRemoveRows({}, first, first + count - 1);
        const auto from = m_rows.begin() + first;
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
