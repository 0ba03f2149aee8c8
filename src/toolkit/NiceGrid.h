#pragma once

#include <QTableView>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGridModel;

// One row of a grid as it is stored: its cells back to back, and its tag.
struct TGridRow {
    static constexpr int kMaxCols = 8;
    std::string text;
    std::array<uint32_t, kMaxCols> end{}; // end offset of each cell in `text`
    void* tag = nullptr;
};
using TGridRows = std::vector<TGridRow>;

// The point table's grid: text cells, a gutter of 1-based row numbers, read-only.
// Rows are stored compactly (one UTF-8 string per row with cell offsets), so a million
// rows cost about a hundred bytes each.
class TNiceGrid : public QTableView {
    Q_OBJECT
public:
    explicit TNiceGrid(QWidget* parent = nullptr);
    ~TNiceGrid() override;

    void SetColumns(const QStringList& titles, const std::vector<int>& widths);
    int ColCount() const;

    int RowCount() const;
    // Appends an empty row and returns its index (the old row count).
    int AddRow();
    void DeleteRow(int row);
    void ClearRows();
    // Takes `count` rows from `first` out whole (texts and tags), and puts such rows back in
    // at `row`: what undo needs to restore a table exactly.
    TGridRows TakeRows(int first, int count);
    void InsertRows(int row, TGridRows rows);

    QString Cells(int col, int row) const;
    void SetCells(int col, int row, const QString& text);
    // UTF-8 access for bulk work without QString round trips.
    std::string_view CellUtf8(int col, int row) const;
    void SetCellUtf8(int col, int row, std::string_view text);
    // Appends a row with all its cells at once.
    int AddRowUtf8(const std::string_view* cells, int count);

    // An opaque link kept with the row: it moves with the row when rows above are deleted.
    void* RowTag(int row) const;
    void SetRowTag(int row, void* tag);
    // Index of the row whose tag is `tag`, or -1.
    int FindRowByTag(const void* tag) const;

    // -1 when no row is selected.
    int SelectedRow() const;
    void SetSelectedRow(int row);

    // An editable grid lets the user type into its cells (read-only by default).
    void SetEditable(bool editable);

    // Between BeginUpdate and EndUpdate appended rows are announced to the view once.
    void BeginUpdate();
    void EndUpdate();

signals:
    void Click();
    void DblClick();

private:
    TGridModel* m_model;
};
