#include "app/JobCommands.h"

#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QUndoCommand>

#include <algorithm>
#include <array>
#include <unordered_map>
#include <utility>

namespace {

// Table columns.
enum { kColID, kColX, kColY, kColZ, kColCode };

using TCells = std::array<std::string, 5>;

TCells rowCells(const TNiceGrid& grid, int row) {
    TCells cells;
    for (int c = 0; c < 5; ++c)
        cells[static_cast<size_t>(c)] = grid.CellUtf8(c, row);
    return cells;
}

void writeCells(TNiceGrid& grid, int row, const TCells& cells) {
    for (int c = 0; c < 5; ++c)
        grid.SetCellUtf8(c, row, cells[static_cast<size_t>(c)]);
}

// Where `point` stands in the project. The pointer is only compared, never followed, so a
// link to a point that is gone is simply not found.
bool locatePoint(const TNCADProject& project, const TPoint3D* point, int& itemIndex,
                 int& pointIndex) {
    if (!point)
        return false;
    for (int i = 0; i < project.Count(); ++i) {
        const TNCADItem* item = project.GetItem(i);
        int p = 0;
        for (const auto& candidate : item->Points) {
            if (candidate.get() == point) {
                itemIndex = i;
                pointIndex = p;
                return true;
            }
            ++p;
        }
    }
    return false;
}

// A point leaving the project leaves no row linked to it, so that a later point at the same
// address is never taken for it. Returns the rows that were, to link them again on undo.
std::vector<int> unlinkRows(TNiceGrid& grid, const TPoint3D* point) {
    std::vector<int> rows;
    for (int row = grid.FindRowByTag(point); row >= 0; row = grid.FindRowByTag(point)) {
        grid.SetRowTag(row, nullptr);
        rows.push_back(row);
    }
    return rows;
}

void relinkRows(TNiceGrid& grid, const std::vector<int>& rows, TPoint3D* point) {
    for (int row : rows)
        grid.SetRowTag(row, point);
}

// The group of `code`, made at the end of the project (from `spare`, a group an undo took
// back, when there is one) if there is none yet. `made` tells which.
TNCADItem* groupFor(TNCADProject& project, const std::string& code,
                    std::unique_ptr<TNCADItem>& spare, int& itemIndex, bool& made) {
    itemIndex = -1;
    if (TNCADItem* item = project.FindItemByCode(code, itemIndex)) {
        made = false;
        return item;
    }
    if (!spare) {
        spare = std::make_unique<TNCADItem>();
        spare->SetCode(code);
    }
    TNCADItem* item = spare.get();
    itemIndex = project.AddItem(std::move(spare));
    made = true;
    return item;
}

// Undoes groupFor's work once the point added to it is out again.
void releaseGroup(TNCADProject& project, bool made, std::unique_ptr<TNCADItem>& spare) {
    if (made)
        spare = project.TakeItem(project.Count() - 1);
}

class TJobStep : public QUndoCommand {
protected:
    TJobStep(const TJobParts& job, const QString& name) : QUndoCommand(name), m_job(job) {}

    // The first run belongs to the command's handler, which shows it as it always has.
    void showChange(bool fit) {
        if (m_ran)
            fit ? m_job.View.ZoomExtents() : m_job.View.Repaint();
        m_ran = true;
    }

    TJobParts m_job;
    bool m_ran = false;
};

class TAddPoint : public TJobStep {
public:
    TAddPoint(const TJobParts& job, const QString& name, std::unique_ptr<TPoint3D> point,
              const std::string& code)
        : TJobStep(job, name), m_point(std::move(point)) {
        const std::string& id = m_point->ID;
        m_cells = {id.empty() ? std::to_string(job.Grid.RowCount() + 1) : id,
                   FormatFixed4(m_point->X), FormatFixed4(m_point->Y), FormatFixed4(m_point->Z),
                   code};
    }

    void redo() override {
        TPoint3D* point = m_point.get();
        TNCADItem* item = groupFor(m_job.Project, m_cells[kColCode], m_group, m_itemIndex, m_madeGroup);
        item->AddPoint(std::move(m_point));
        const std::string_view cells[5] = {m_cells[0], m_cells[1], m_cells[2], m_cells[3], m_cells[4]};
        m_job.Grid.SetRowTag(m_job.Grid.AddRowUtf8(cells, 5), point);
        showChange(false);
    }

    void undo() override {
        m_job.Grid.TakeRows(m_job.Grid.RowCount() - 1, 1);
        TNCADItem* item = m_job.Project.GetItem(m_itemIndex);
        m_point = item->Points.Take(item->PointCount() - 1);
        releaseGroup(m_job.Project, m_madeGroup, m_group);
        showChange(false);
    }

private:
    std::unique_ptr<TPoint3D> m_point; // while not in the project
    std::unique_ptr<TNCADItem> m_group;
    TCells m_cells;
    int m_itemIndex = -1;
    bool m_madeGroup = false;
};

class TDeletePoint : public TJobStep {
public:
    TDeletePoint(const TJobParts& job, int row) : TJobStep(job, QString::fromUtf8("측점 삭제")), m_row(row) {
        m_found = RowPoint(job.Grid, job.Project, row, TRowUse::Delete, m_itemIndex, m_pointIndex);
    }

    void redo() override {
        if (m_found) {
            TNCADItem* item = m_job.Project.GetItem(m_itemIndex);
            m_unlinked = unlinkRows(m_job.Grid, item->GetPoint(m_pointIndex));
            m_point = item->Points.Take(m_pointIndex);
        }
        m_rowTaken = m_job.Grid.TakeRows(m_row, 1);
        // The next row takes the place, ready for the next delete.
        m_job.Grid.SetSelectedRow(std::min(m_row, m_job.Grid.RowCount() - 1));
        showChange(false);
    }

    void undo() override {
        m_job.Grid.InsertRows(m_row, std::move(m_rowTaken));
        m_rowTaken.clear();
        if (m_found) {
            TPoint3D* point = m_point.get();
            m_job.Project.GetItem(m_itemIndex)->Points.Insert(m_pointIndex, std::move(m_point));
            relinkRows(m_job.Grid, m_unlinked, point);
        }
        m_job.Grid.SetSelectedRow(m_row);
        showChange(false);
    }

private:
    int m_row;
    bool m_found = false;
    int m_itemIndex = -1, m_pointIndex = -1;
    std::unique_ptr<TPoint3D> m_point; // while deleted
    TGridRows m_rowTaken;
    std::vector<int> m_unlinked;
};

class TEditPoint : public TJobStep {
public:
    TEditPoint(const TJobParts& job, int row, int itemIndex, int pointIndex, double x, double y,
               double z, const std::string& id, const std::string& code)
        : TJobStep(job, QString::fromUtf8("측점 수정")), m_row(row), m_itemIndex(itemIndex),
          m_pointIndex(pointIndex), m_new(x, y, z, id) {
        TNCADItem* item = job.Project.GetItem(itemIndex);
        const TPoint3D* point = item->GetPoint(pointIndex);
        m_old = *point;
        m_oldCode = item->Code();
        m_newCode = code;
        m_moves = UpperAscii(m_oldCode) != code;
        m_oldCells = rowCells(job.Grid, row);
        m_oldTag = job.Grid.RowTag(row);
        m_newCells = {id, FormatFixed4(x), FormatFixed4(y), FormatFixed4(z), code};
    }

    // Nothing to do: the dialog gave back what the point and its row already hold.
    bool Unchanged() const {
        return !m_moves && m_old.X == m_new.X && m_old.Y == m_new.Y && m_old.Z == m_new.Z &&
               m_old.ID == m_new.ID && m_oldCode == m_newCode && m_oldCells == m_newCells;
    }

    void redo() override {
        TNCADItem* item = m_job.Project.GetItem(m_itemIndex);
        if (m_moves) {
            m_unlinked = unlinkRows(m_job.Grid, item->GetPoint(m_pointIndex));
            m_oldPoint = item->Points.Take(m_pointIndex);
            if (!m_newPoint)
                m_newPoint = std::make_unique<TPoint3D>(m_new.X, m_new.Y, m_new.Z, m_new.ID);
            TPoint3D* point = m_newPoint.get();
            groupFor(m_job.Project, m_newCode, m_group, m_newItemIndex, m_madeGroup)
                ->AddPoint(std::move(m_newPoint));
            m_job.Grid.SetRowTag(m_row, point);
        } else {
            // The same code: the point stays in place and its group takes the code as the
            // dialog returns it (upper-cased), which renames the whole group.
            TPoint3D* point = item->GetPoint(m_pointIndex);
            point->SetXYZ(m_new.X, m_new.Y, m_new.Z);
            point->ID = m_new.ID;
            item->SetCode(m_newCode);
        }
        writeCells(m_job.Grid, m_row, m_newCells);
        m_job.Grid.SetSelectedRow(m_row);
        showChange(false);
    }

    void undo() override {
        TNCADItem* item = m_job.Project.GetItem(m_itemIndex);
        if (m_moves) {
            TNCADItem* moved = m_job.Project.GetItem(m_newItemIndex);
            m_newPoint = moved->Points.Take(moved->PointCount() - 1);
            releaseGroup(m_job.Project, m_madeGroup, m_group);
            TPoint3D* point = m_oldPoint.get();
            item->Points.Insert(m_pointIndex, std::move(m_oldPoint));
            relinkRows(m_job.Grid, m_unlinked, point);
        } else {
            TPoint3D* point = item->GetPoint(m_pointIndex);
            point->SetXYZ(m_old.X, m_old.Y, m_old.Z);
            point->ID = m_old.ID;
            item->SetCode(m_oldCode);
        }
        m_job.Grid.SetRowTag(m_row, m_oldTag);
        writeCells(m_job.Grid, m_row, m_oldCells);
        m_job.Grid.SetSelectedRow(m_row);
        showChange(false);
    }

private:
    int m_row, m_itemIndex, m_pointIndex;
    TBasePoint3D m_new, m_old;
    std::string m_newCode, m_oldCode;
    bool m_moves = false;
    TCells m_newCells, m_oldCells;
    void* m_oldTag = nullptr;
    // A moved point: the old one while out of the project, the new one likewise.
    std::unique_ptr<TPoint3D> m_oldPoint, m_newPoint;
    std::unique_ptr<TNCADItem> m_group;
    int m_newItemIndex = -1;
    bool m_madeGroup = false;
    std::vector<int> m_unlinked;
};

class TMovePoints : public TJobStep {
public:
    TMovePoints(const TJobParts& job, const QString& name, std::vector<TPointMove> moves)
        : TJobStep(job, name), m_moves(std::move(moves)) {
        // Each row's point once, by tag: a lookup per point would be quadratic in the job.
        std::unordered_map<const void*, std::vector<int>> rowsOf;
        for (int row = 0; row < job.Grid.RowCount(); ++row)
            if (const void* tag = job.Grid.RowTag(row))
                rowsOf[tag].push_back(row);
        m_old.reserve(m_moves.size());
        for (const TPointMove& move : m_moves) {
            m_old.push_back({move.Point, move.Point->X, move.Point->Y, move.Point->Z});
            if (const auto it = rowsOf.find(move.Point); it != rowsOf.end())
                for (int row : it->second)
                    m_rows.push_back({row, m_old.size() - 1, rowCells(job.Grid, row)});
        }
    }

    void redo() override { apply(m_moves, false); }
    void undo() override { apply(m_old, true); }

private:
    struct TRow {
        int Row;
        size_t Move;
        TCells OldCells; // as they were, not as four decimals of the old values would be
    };

    void apply(const std::vector<TPointMove>& to, bool back) {
        for (const TPointMove& move : to)
            move.Point->SetXYZ(move.X, move.Y, move.Z);
        for (const TRow& row : m_rows) {
            if (back) {
                writeCells(m_job.Grid, row.Row, row.OldCells);
                continue;
            }
            const TPointMove& move = to[row.Move];
            m_job.Grid.SetCellUtf8(kColX, row.Row, FormatFixed4(move.X));
            m_job.Grid.SetCellUtf8(kColY, row.Row, FormatFixed4(move.Y));
            m_job.Grid.SetCellUtf8(kColZ, row.Row, FormatFixed4(move.Z));
        }
        m_job.View.ZoomExtents();
    }

    std::vector<TPointMove> m_moves, m_old;
    std::vector<TRow> m_rows;
};

// Holds nothing of the import while it is done: what it added lives in the job, and only an
// undo moves it (not copies it) into the step.
class TImportStep : public TJobStep {
public:
    TImportStep(const TJobParts& job, const QString& name, TJobSize before)
        : TJobStep(job, name), m_before(std::move(before)) {}

    void redo() override {
        if (!m_ran) {
            m_ran = true; // the import itself did it
            return;
        }
        for (auto group = m_groups.rbegin(); group != m_groups.rend(); ++group)
            m_job.Project.AddItem(std::move(*group));
        m_groups.clear();
        for (auto& [index, points] : m_tails)
            m_job.Project.GetItem(index)->Points.Append(std::move(points));
        m_tails.clear();
        m_job.Grid.InsertRows(m_before.Rows, std::move(m_rows));
        m_rows.clear();
        showChange(true);
    }

    void undo() override {
        m_rows = m_job.Grid.TakeRows(m_before.Rows, m_job.Grid.RowCount() - m_before.Rows);
        const int groups = static_cast<int>(m_before.GroupSizes.size());
        for (int i = 0; i < groups; ++i) {
            TNCADItem* item = m_job.Project.GetItem(i);
            const int size = m_before.GroupSizes[static_cast<size_t>(i)];
            if (item->PointCount() > size)
                m_tails.emplace_back(i, item->Points.TakeFrom(size));
        }
        while (m_job.Project.Count() > groups)
            m_groups.push_back(m_job.Project.TakeItem(m_job.Project.Count() - 1));
        showChange(true);
    }

private:
    TJobSize m_before;
    TGridRows m_rows;
    std::vector<std::pair<int, std::vector<std::unique_ptr<TPoint3D>>>> m_tails;
    std::vector<std::unique_ptr<TNCADItem>> m_groups; // last group first
};

} // namespace

bool RowPoint(const TNiceGrid& grid, const TNCADProject& project, int row, TRowUse use,
              int& itemIndex, int& pointIndex) {
    if (const void* tag = grid.RowTag(row))
        return locatePoint(project, static_cast<const TPoint3D*>(tag), itemIndex, pointIndex);
    const double x = StrToFloat(grid.CellUtf8(kColX, row));
    const double y = StrToFloat(grid.CellUtf8(kColY, row));
    const double z = StrToFloat(grid.CellUtf8(kColZ, row));
    if (use == TRowUse::Edit)
        return project.FindPoint(std::string(grid.CellUtf8(kColCode, row)), x, y, z, itemIndex,
                                 pointIndex);
    itemIndex = pointIndex = -1;
    project.FindPointAt(itemIndex, pointIndex, x, y, z);
    return itemIndex >= 0;
}

std::unique_ptr<QUndoCommand> MakeAddPoint(const TJobParts& job, const QString& name,
                                           std::unique_ptr<TPoint3D> point,
                                           const std::string& code) {
    return std::make_unique<TAddPoint>(job, name, std::move(point), code);
}

std::unique_ptr<QUndoCommand> MakeMovePoints(const TJobParts& job, const QString& name,
                                             std::vector<TPointMove> moves) {
    if (moves.empty())
        return nullptr;
    return std::make_unique<TMovePoints>(job, name, std::move(moves));
}

std::unique_ptr<QUndoCommand> MakeDeletePoint(const TJobParts& job, int row) {
    return std::make_unique<TDeletePoint>(job, row);
}

std::unique_ptr<QUndoCommand> MakeEditPoint(const TJobParts& job, int row, int itemIndex,
                                            int pointIndex, double x, double y, double z,
                                            const std::string& id, const std::string& code) {
    auto step = std::make_unique<TEditPoint>(job, row, itemIndex, pointIndex, x, y, z, id, code);
    if (step->Unchanged())
        return nullptr;
    return step;
}

TJobSize MeasureJob(const TJobParts& job) {
    TJobSize size;
    size.Rows = job.Grid.RowCount();
    size.GroupSizes.reserve(static_cast<size_t>(job.Project.Count()));
    for (const auto& item : job.Project)
        size.GroupSizes.push_back(item->PointCount());
    return size;
}

std::unique_ptr<QUndoCommand> MakeImportStep(const TJobParts& job, const QString& name,
                                             TJobSize before) {
    bool added = job.Grid.RowCount() != before.Rows ||
                 job.Project.Count() != static_cast<int>(before.GroupSizes.size());
    for (size_t i = 0; !added && i < before.GroupSizes.size(); ++i)
        added = job.Project.GetItem(static_cast<int>(i))->PointCount() != before.GroupSizes[i];
    if (!added)
        return nullptr;
    return std::make_unique<TImportStep>(job, name, std::move(before));
}

void DiscardImport(const TJobParts& job, TJobSize before) {
    // Not run as a step: its undo would fit the view as an undo does.
    TImportStep(job, QString(), std::move(before)).undo();
    job.View.Repaint();
}
