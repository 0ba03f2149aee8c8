#pragma once

#include "formats/InstrumentData.h"
#include "model/AxisOrder.h"
#include "survey/Observations.h"
#include "survey/Traverse.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// 트래버스 계산: the traverse of an instrument file adjusted and shown leg by leg with its
// misclosures. 적용 hands the adjusted job (the stations and every point reduced again from
// them) to the owner, which puts it into the job. The window computes only; it changes
// nothing of the job itself.
class TTraverseForm : public QWidget {
    Q_OBJECT
public:
    explicit TTraverseForm(QWidget* parent = nullptr);

    QLineEdit* edtFile = nullptr;
    QPushButton* btnBrowse = nullptr;
    QLineEdit* edtRoute = nullptr; // station ids; empty: the route is found in the file
    QComboBox* cmbRule = nullptr;  // 0 compass, 1 transit
    QPushButton* btnCompute = nullptr;
    QTableWidget* gridLegs = nullptr;
    QLabel* lblAngular = nullptr;
    QLabel* lblLatitude = nullptr;
    QLabel* lblDeparture = nullptr;
    QLabel* lblLinear = nullptr;
    QLabel* lblLength = nullptr;
    QLabel* lblPrecision = nullptr;
    QLabel* lblHeight = nullptr;
    QPlainTextEdit* memNotes = nullptr;
    QPushButton* btnApply = nullptr;
    QPushButton* btnClose = nullptr;

    // Called by 적용 with the adjusted job in file order (ids and codes UTF-8).
    std::function<void(const TInstrumentResult& job)> OnApply;

    // Reads the file, finds or takes the route and adjusts; throws with the reason.
    void Compute();
    bool HasResult() const { return m_computed; }
    // Which of easting and northing the job's X holds, for the X and Y columns.
    void SetAxes(TAxisOrder axes);
    const TTraverseResult& Result() const { return m_result; }

private:
    void btnBrowseClick();
    void btnApplyClick();
    void clearResult();
    void showResult();

    TTraverseResult m_result;
    TInstrumentResult m_job;
    bool m_computed = false;
    TAxisOrder m_axes = TAxisOrder::XEast;
};
