#pragma once

#include "model/AxisOrder.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class TCrsCombo;
class TNCADProject;

// "좌표 변환": the system the job is in and the one it goes to, with the operation PROJ
// would use and its stated accuracy ("약 1 m"), so that nobody takes a datum shift for a
// cadastral conversion. The dialog changes nothing; the caller transforms the job after OK.
class TCrsTransformForm : public QDialog {
    Q_OBJECT
public:
    TCrsTransformForm(QWidget* owner, const TNCADProject& job, TAxisOrder axes, int jobEpsg);

    int From() const;
    int To() const;

    TCrsCombo* FromCombo = nullptr;
    TCrsCombo* ToCombo = nullptr;
    QLabel* OperationLabel = nullptr; // PROJ's operation and its accuracy, or why none
    QDialogButtonBox* Buttons = nullptr;

private:
    // Asks PROJ for the operation with the job's first point; OK only when there is one.
    void updateOperation();

    const TNCADProject& m_job;
    TAxisOrder m_axes;
};
