#pragma once

#include "survey/Cogo.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TNCAD;
class TNCADProject;

// 좌표 계산: the inverse between two points of the job (by ids or by two clicks in the
// view), and new points by azimuth and distance from a point or where two bearings or two
// distances from two points meet. The window reads the job and computes; a new point goes
// to the owner through OnAddPoint. It stays open beside the view. Azimuths run from north:
// the job's X and Y are taken as easting and northing as the view's axis order says, and
// shown the same way.
class TCogoForm : public QWidget {
    Q_OBJECT
public:
    TCogoForm(const TNCADProject& project, TNCAD& view, QWidget* parent = nullptr);

    QTabWidget* Pages = nullptr;
    // 역계산
    QLineEdit* edtFrom = nullptr;
    QLineEdit* edtTo = nullptr;
    QPushButton* btnInverse = nullptr;
    QPushButton* btnPick = nullptr; // checkable: the next two clicks in the view
    QLabel* lblPick = nullptr;
    QLabel* lblDistance = nullptr;
    QLabel* lblAzimuth = nullptr;
    QLabel* lblDX = nullptr;
    QLabel* lblDY = nullptr;
    QLabel* lblDZ = nullptr;
    QLabel* lblSlope = nullptr;
    // 방위각·거리
    QLineEdit* edtPolarFrom = nullptr;
    QLineEdit* edtPolarAzimuth = nullptr; // ddd.mmss
    QLineEdit* edtPolarDistance = nullptr;
    QPushButton* btnPolar = nullptr;
    // 교점
    QRadioButton* rbBearings = nullptr;
    QRadioButton* rbDistances = nullptr;
    QLineEdit* edtPointA = nullptr;
    QLineEdit* edtValueA = nullptr;
    QLineEdit* edtPointB = nullptr;
    QLineEdit* edtValueB = nullptr;
    QPushButton* btnIntersect = nullptr;
    // The points found, to be added: one, or two for the user to choose from.
    QListWidget* lstResults = nullptr;
    QLineEdit* edtNewId = nullptr;
    QLineEdit* edtNewCode = nullptr;
    QPushButton* btnAdd = nullptr;

    // A new point for the job: id and code as typed (UTF-8), grid coordinates (easting,
    // northing, height) for the owner to place by the job's axis order.
    std::function<void(const std::string& id, const TGridPoint& point, const std::string& code)> OnAddPoint;

    // The inverse between two grid points, shown in the result labels.
    void ShowInverse(const TGridPoint& from, const TGridPoint& to);
    // One press in the view while picking, at client pixel `pos`; false when no point of the
    // job is near enough.
    bool PickAt(const QPoint& pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* makeInversePage();
    QWidget* makePolarPage();
    QWidget* makeIntersectPage();
    void btnInverseClick();
    void btnPickToggled(bool on);
    void btnPolarClick();
    void btnIntersectClick();
    void btnAddClick();
    void showFound(const std::vector<TGridPoint>& found);
    TGridPoint jobPoint(const QLineEdit& edit) const;

    const TNCADProject& m_project;
    TNCAD& m_view;
    std::optional<TGridPoint> m_firstPick;
    std::vector<TGridPoint> m_found;
};
