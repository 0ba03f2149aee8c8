#pragma once

#include "model/NCADProject.h"
#include "toolkit/NiceGrid.h"

#include <QString>
#include <QStringList>

#include <map>

// The whole job as lines of text, to compare before and after a change: the project's groups
// with their points in order (full precision), then the table's rows with the point each is
// linked to ("g:p", or "-" for none).
inline QStringList jobState(const TNiceGrid& grid, const TNCADProject& project) {
    QStringList out;
    std::map<const void*, QString> where;
    int g = 0;
    for (const auto& item : project) {
        out << "group " + QString::fromStdString(item->Code());
        int p = 0;
        for (const auto& point : item->Points) {
            where[point.get()] = QString("%1:%2").arg(g).arg(p++);
            out << QString("  %1 %2 %3 %4")
                       .arg(QString::fromStdString(point->ID))
                       .arg(point->X, 0, 'g', 17)
                       .arg(point->Y, 0, 'g', 17)
                       .arg(point->Z, 0, 'g', 17);
        }
        ++g;
    }
    for (int r = 0; r < grid.RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid.ColCount(); ++c)
            cells << grid.Cells(c, r);
        const auto link = where.find(grid.RowTag(r));
        out << cells.join('|') + " -> " + (link != where.end() ? link->second : QString("-"));
    }
    return out;
}
