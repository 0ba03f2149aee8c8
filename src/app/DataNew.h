#pragma once

#include "app/PointDialog.h"

#include <string>

// The add-point dialog: the code is shown and returned as typed.
class TDataNewForm : public TPointDialog {
    Q_OBJECT
public:
    explicit TDataNewForm(QWidget* owner = nullptr);

    // Fills the fields, shows the dialog and on OK reads them back into the arguments.
    // True for OK; the dialog takes OK only with numbers in X, Y and Z.
    bool ExecuteNew(double& x, double& y, double& z, std::string& id, std::string& code);
};
