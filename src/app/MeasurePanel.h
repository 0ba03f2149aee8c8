#pragma once

#include <QWidget>

#include <set>
#include <string>

class QCheckBox;
class QLabel;
class TNCAD;
class TNiceGrid;
struct TGroupMeasure;

// The status bar's measure of the code group of the selected table row: its points, the
// length of its line, whether it is closed, and for a closed figure its area in ㎡ and 평
// and its perimeter. The check box treats the group as closed although its last point is
// not back on the first; the choice is kept per code for the run. Follows the table by
// itself: any change of rows, cells or selection refreshes it.
class TMeasurePanel : public QWidget {
    Q_OBJECT
public:
    TMeasurePanel(const TNiceGrid& grid, const TNCAD& view, QWidget* parent);

    QLabel* lblMeasure = nullptr;
    QCheckBox* chkClosed = nullptr;

    bool MarkedClosed(const std::string& code) const { return m_closedCodes.count(code) > 0; }
    // The text of a measure for the group `name` (UTF-8, empty for the points without code).
    static QString Describe(const std::string& name, const TGroupMeasure& m);
    void Refresh();

private:
    void chkClosedClick();
    void RefreshSoon();

    const TNiceGrid& m_grid;
    const TNCAD& m_view;
    std::set<std::string> m_closedCodes;
    std::string m_code; // of the group shown
    bool m_refreshPending = false;
};
