#include "model/Point3D.h"

TPoint3D* TPointList::Get(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

int TPointList::Add(std::unique_ptr<TPoint3D> point) {
    m_items.push_back(std::move(point));
    return Count() - 1;
}

void TPointList::DeletePoint(int index) {
    if (index < 0 || index >= Count())
        return;
    m_items.erase(m_items.begin() + index);
}

void TPointList::Clear() {
    // Last to first, so each erase is a pop and nothing is moved.
    while (!m_items.empty())
        m_items.pop_back();
}
