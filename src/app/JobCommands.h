#pragma once

#include <QString>

#include <memory>
#include <string>
#include <vector>

class QUndoCommand;
class TNCAD;
class TNCADProject;
class TNiceGrid;
class TPoint3D;

// The three places a job lives in, which every change keeps in step: the table (rows in
// order of appending, each linked to its point by its tag), the project (groups in order of
// their first code) and the view.
struct TJobParts {
    TNiceGrid& Grid;
    TNCADProject& Project;
    TNCAD& View;
};

enum class TRowUse { Delete, Edit };

// The point of a table row: the row's own point through its link. A row without a link
// (none of ours) is matched by the numbers in its cells: for deleting by X, Y, Z over all
// groups, for editing by CODE, X, Y, Z.
bool RowPoint(const TNiceGrid& grid, const TNCADProject& project, int row, TRowUse use,
              int& itemIndex, int& pointIndex);

// The commands below are steps of the undo stack. Pushing one does the change; undo puts
// table and project back exactly as they were (row order, group order, point order, the
// very same point objects), so that a save after undo writes the bytes it wrote before.
// The first run leaves the view to the command's handler; undo and redo repaint it (an
// import fits it).

// A point at the end of the group of `code` (a new group at the end of the project for a
// new code) and its row at the end of the table; an empty ID shows as the row's number.
std::unique_ptr<QUndoCommand> MakeAddPoint(const TJobParts& job, const QString& name,
                                           std::unique_ptr<TPoint3D> point,
                                           const std::string& code);

// Removes table row `row` and its point, if it has one. The group stays, also when empty.
std::unique_ptr<QUndoCommand> MakeDeletePoint(const TJobParts& job, int row);

// Gives the point of row `row`, at `itemIndex`/`pointIndex`, the values `x`..`code`. The same
// code (letter case aside) changes the point in place and renames its group; another code
// moves the point to the end of that code's group. Null when the values are those it has.
std::unique_ptr<QUndoCommand> MakeEditPoint(const TJobParts& job, int row, int itemIndex,
                                            int pointIndex, double x, double y, double z,
                                            const std::string& id, const std::string& code);

// New coordinates for one point of the job, the point named by its object.
struct TPointMove {
    TPoint3D* Point;
    double X, Y, Z;
};

// Gives many points new coordinates as one step named `name` (an adjustment, a
// transformation): points, their rows and the view together; IDs, codes and the order of
// rows and points stay. Unlike the other steps it shows itself every time, the first run
// included, by fitting the view: moved points may be far from where the view looked. Null
// for no moves. It holds the points by address, which is safe: every step keeps the very same
// point objects in the job through undo and redo.
std::unique_ptr<QUndoCommand> MakeMovePoints(const TJobParts& job, const QString& name,
                                             std::vector<TPointMove> moves);

// How big the job was before an import: an import only appends rows, points at the ends of
// groups and groups at the end of the project, so this is all its undo needs to know.
struct TJobSize {
    int Rows = 0;
    std::vector<int> GroupSizes;
};
TJobSize MeasureJob(const TJobParts& job);

// The step of an import that has already run, from `before` to now; null when it added
// nothing.
std::unique_ptr<QUndoCommand> MakeImportStep(const TJobParts& job, const QString& name,
                                             TJobSize before);
// What an import added since `before`, taken out again (a cancelled import); the view is
// repainted where it stands, not fitted.
void DiscardImport(const TJobParts& job, TJobSize before);
