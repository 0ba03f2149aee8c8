#pragma once

#include "app/PointDialog.h"

#include <string>

class TPoint3D;

// The point edit dialog: the code is shown and returned upper-cased.
class TfrmDataEdit : public TPointDialog {
    Q_OBJECT
public:
    explicit TfrmDataEdit(QWidget* parent = nullptr);

    // Fill the fields, show the dialog and on OK read them back into the arguments; true for
    // OK. The dialog takes OK only with numbers in X, Y and Z.
    bool EditPoint(TPoint3D& point, std::string& code, std::string& id);
    bool EditValues(double& x, double& y, std::string& id, std::string& code, double& z);
};
