#include "model/Point3D.h"

#include <algorithm>
#include <iterator>

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

std::unique_ptr<TPoint3D> TPointList::Take(int index) {
    if (index < 0 || index >= Count())
        return nullptr;
    std::unique_ptr<TPoint3D> point = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    return point;
}

void TPointList::Insert(int index, std::unique_ptr<TPoint3D> point) {
    index = std::clamp(index, 0, Count());
    m_items.insert(m_items.begin() + index, std::move(point));
}

std::vector<std::unique_ptr<TPoint3D>> TPointList::TakeFrom(int first) {
    first = std::clamp(first, 0, Count());
    std::vector<std::unique_ptr<TPoint3D>> tail(std::make_move_iterator(m_items.begin() + first),
                                                std::make_move_iterator(m_items.end()));
    m_items.erase(m_items.begin() + first, m_items.end());
    return tail;
}

void TPointList::Append(std::vector<std::unique_ptr<TPoint3D>> points) {
    m_items.insert(m_items.end(), std::make_move_iterator(points.begin()),
                   std::make_move_iterator(points.end()));
}

void TPointList::Clear() {
    // Last to first, so each erase is a pop and nothing is moved.
    while (!m_items.empty())
        m_items.pop_back();
}
