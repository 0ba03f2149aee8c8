#pragma once

#include "model/NCADItem.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// Ordered, owning list of code groups. Lookups never throw: they return null or leave the
// caller's preset index alone.
class TNCADProject {
public:
    TNCADProject() = default;
    ~TNCADProject() { ClearItems(); }
    TNCADProject(const TNCADProject&) = delete;
    TNCADProject& operator=(const TNCADProject&) = delete;

    const std::string& Name() const { return m_name; }
    void SetName(std::string name) { m_name = std::move(name); }

    int Count() const { return static_cast<int>(m_items.size()); }
    int AddItem(std::unique_ptr<TNCADItem> item);
    TNCADItem* GetItem(int index) const;
    // The list's indexed store. Storing the group already at that index changes nothing and
    // frees nothing; storing another group takes ownership of it and frees the one replaced.
    void SetItem(int index, TNCADItem* item);
    // Removes the group at `index` without freeing it (null for an index out of range); undo
    // takes back the groups a command made.
    std::unique_ptr<TNCADItem> TakeItem(int index);
    void ClearItems();

    // First group whose Code equals `code` byte for byte; writes its index to `index`.
    // When none matches returns null and leaves `index` as the caller set it.
    TNCADItem* FindItemByCode(const std::string& code, int& index) const;

    // Last point, in walking order, whose X, Y, Z equal the arguments exactly, among the
    // groups whose Code equals `code`. Indices are written only on a match.
    bool FindPoint(const std::string& code, double x, double y, double z, int& itemIndex,
                   int& pointIndex) const;
    // The same walk over all groups regardless of code.
    void FindPointAt(int& itemIndex, int& pointIndex, double x, double y, double z) const;

    int TotalPointCount() const;

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    friend class TNCADItem;
    void CodeChanged() { m_indexValid = false; }
    void RebuildIndex() const;

    std::string m_name;
    std::vector<std::unique_ptr<TNCADItem>> m_items;
    // Code -> index of its first group. Rebuilt lazily after a rename or a replace so that
    // FindItemByCode stays O(1) on big imports with the same first-match result as a scan.
    mutable std::unordered_map<std::string, int> m_codeIndex;
    mutable bool m_indexValid = true;
};
