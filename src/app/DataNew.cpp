#include "app/DataNew.h"

#include <QLineEdit>

TDataNewForm::TDataNewForm(QWidget* owner)
    : TPointDialog(owner, "DataNewForm", "측점 데이터 신규 등록", QSize(379, 253)) {}

bool TDataNewForm::ExecuteNew(double& x, double& y, double& z, std::string& id,
                              std::string& code) {
    Fill(id, x, y, z, code);
    EdtID->setFocus();
    const bool ok = Run([this] { EdtID->setFocus(); });
    if (!ok)
        return false;
    Values v = Typed();
    id = std::move(v.id);
    x = v.x;
    y = v.y;
    z = v.z;
    code = std::move(v.code);
    return true;
}
