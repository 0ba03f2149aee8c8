#pragma once

#include "survey/transform/PlaneFit.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TNCADProject;

// "공통점 변환": the pairs of points with the same ID in the job and in a second file (the
// same points in the system the job goes to), a Helmert or affine fit by least squares, its
// parameters, each pair's residuals and the RMS. Unticking a pair leaves it out and refits;
// its residual is still shown. The dialog changes nothing; the caller applies Fit() to the
// whole job after OK.
class TCommonPointForm : public QDialog {
    Q_OBJECT
public:
    // Reads a point or instrument file as the import does; throws with the reason.
    using TLoader = std::function<void(const QString& path, TNCADProject& into)>;

    TCommonPointForm(QWidget* owner, const TNCADProject& job, TLoader load);
    ~TCommonPointForm() override;

    // Pairs the job with the points of the file at `path` and fits.
    void LoadTargets(const QString& path);
    // The fit of the pairs in use; empty when there is none (too few pairs, no file).
    const std::optional<TPlaneFit>& Fit() const { return m_fit; }

    QLineEdit* FileEdit = nullptr;
    QPushButton* BrowseButton = nullptr;
    QRadioButton* HelmertButton = nullptr;
    QRadioButton* AffineButton = nullptr;
    // One row per pair: 사용 (tick), 점 번호, dX, dY, d (metres, target minus transformed).
    QTableWidget* PairTable = nullptr;
    QLabel* ParameterLabel = nullptr; // shifts, rotation, scale, RMS, or why there is no fit
    QDialogButtonBox* Buttons = nullptr;

private:
    void browse();
    void refit();
    void showPairs();

    const TNCADProject& m_job;
    TLoader m_load;
    QString m_loaded; // the file the pairs come from
    std::vector<TCommonPair> m_pairs;
    std::optional<TPlaneFit> m_fit;
    bool m_filling = false; // the table is being filled: its changes are not the user's
};
