#include "app/DataEdit.h"

#include "model/CodeText.h"
#include "model/Point3D.h"

TfrmDataEdit::TfrmDataEdit(QWidget* parent)
    : TPointDialog(parent, "입력데이터 수정", "입력 아이템 세부 항목 수정", QSize(383, 286)) {}

bool TfrmDataEdit::EditValues(double& x, double& y, std::string& id, std::string& code,
                              double& z) {
    Fill(id, x, y, z, UpperAscii(code));
    const bool ok = Run({});
    if (!ok)
        return false;
    Values v = Typed();
    id = std::move(v.id);
    x = v.x;
    y = v.y;
    z = v.z;
    code = UpperAscii(v.code);
    return true;
}

bool TfrmDataEdit::EditPoint(TPoint3D& point, std::string& code, std::string& id) {
    double x = point.X, y = point.Y, z = point.Z;
    if (!EditValues(x, y, id, code, z))
        return false;
    point.SetXYZ(x, y, z);
    return true;
}
