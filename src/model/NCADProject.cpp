#include "model/NCADProject.h"

int TNCADProject::AddItem(std::unique_ptr<TNCADItem> item) {
    item->m_owner = this;
    m_items.push_back(std::move(item));
    const int index = Count() - 1;
    if (m_indexValid)
        m_codeIndex.emplace(m_items.back()->Code(), index); // keeps an earlier group's entry
    return index;
}

TNCADItem* TNCADProject::GetItem(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(index)].get();
}

void TNCADProject::SetItem(int index, TNCADItem* item) {
    if (index < 0 || index >= Count() || !item)
        return;
    auto& slot = m_items[static_cast<size_t>(index)];
    if (slot.get() == item)
        return; // compare before freeing: the same group must survive
    item->m_owner = this;
    slot.reset(item);
    m_indexValid = false;
}

std::unique_ptr<TNCADItem> TNCADProject::TakeItem(int index) {
    if (index < 0 || index >= Count())
        return nullptr;
    std::unique_ptr<TNCADItem> item = std::move(m_items[static_cast<size_t>(index)]);
    m_items.erase(m_items.begin() + index);
    item->m_owner = nullptr;
    // The last group goes from the index at once (undo takes many so); any other moves the
    // ones after it, and the index is rebuilt when next asked.
    if (m_indexValid && index == Count()) {
        const auto it = m_codeIndex.find(item->Code());
        if (it != m_codeIndex.end() && it->second == index)
            m_codeIndex.erase(it);
    } else {
        m_indexValid = false;
    }
    return item;
}

void TNCADProject::ClearItems() {
    while (!m_items.empty())
        m_items.pop_back();
    m_codeIndex.clear();
    m_indexValid = true;
}

void TNCADProject::RebuildIndex() const {
    m_codeIndex.clear();
    for (int i = 0; i < Count(); ++i)
        m_codeIndex.emplace(m_items[static_cast<size_t>(i)]->Code(), i);
    m_indexValid = true;
}

TNCADItem* TNCADProject::FindItemByCode(const std::string& code, int& index) const {
    if (!m_indexValid)
        RebuildIndex();
    const auto it = m_codeIndex.find(code);
    if (it == m_codeIndex.end())
        return nullptr;
    index = it->second;
    return m_items[static_cast<size_t>(it->second)].get();
}

bool TNCADProject::FindPoint(const std::string& code, double x, double y, double z,
                             int& itemIndex, int& pointIndex) const {
    bool found = false;
    for (int i = 0; i < Count(); ++i) {
        const TNCADItem& item = *m_items[static_cast<size_t>(i)];
        if (item.Code() != code)
            continue;
        for (int j = 0; j < item.PointCount(); ++j) {
            const TPoint3D* p = item.GetPoint(j);
            if (p->X == x && p->Y == y && p->Z == z) {
                itemIndex = i;
                pointIndex = j;
                found = true;
            }
        }
    }
    return found;
}

void TNCADProject::FindPointAt(int& itemIndex, int& pointIndex, double x, double y,
                               double z) const {
    for (int i = 0; i < Count(); ++i) {
        const TNCADItem& item = *m_items[static_cast<size_t>(i)];
        for (int j = 0; j < item.PointCount(); ++j) {
            const TPoint3D* p = item.GetPoint(j);
            if (p->X == x && p->Y == y && p->Z == z) {
                itemIndex = i;
                pointIndex = j;
            }
        }
    }
}

int TNCADProject::TotalPointCount() const {
    int n = 0;
    for (const auto& item : m_items)
        n += item->PointCount();
    return n;
}
