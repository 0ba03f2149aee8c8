#include "model/NCADItem.h"

#include "model/NCADProject.h"

void TNCADItem::SetCode(std::string code) {
    if (code == m_code)
        return;
    m_code = std::move(code);
    if (m_owner)
        m_owner->CodeChanged();
}

TPoint3D* TNCADItem::AddPoint(double x, double y, double z, std::string id) {
    auto point = std::make_unique<TPoint3D>(x, y, z, std::move(id));
    TPoint3D* raw = point.get();
    Points.Add(std::move(point));
    return raw;
}
