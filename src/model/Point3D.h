#pragma once

#include <memory>
#include <string>
#include <vector>

// One survey point. X grows to the right and Y upward in the plan view; Z is only shown.
// Text is UTF-8 in memory; files and the serial line convert at their edges.
class TBasePoint3D {
public:
    TBasePoint3D() = default;
    TBasePoint3D(double x, double y, double z, std::string id)
        : X(x), Y(y), Z(z), ID(std::move(id)) {}
    virtual ~TBasePoint3D() = default;
    TBasePoint3D(const TBasePoint3D&) = default;
    TBasePoint3D& operator=(const TBasePoint3D&) = default;

    double X = 0.0;
    double Y = 0.0;
    double Z = 0.0;
    std::string ID;
};

class TPoint3D : public TBasePoint3D {
public:
    TPoint3D() = default;
    TPoint3D(double x, double y, double z, std::string id = {})
        : TBasePoint3D(x, y, z, std::move(id)) {}

    void SetXYZ(double x, double y, double z) {
        X = x;
        Y = y;
        Z = z;
    }
};

// Ordered, owning list of points: removing an entry frees the point.
class TPointList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    TPoint3D* Get(int index) const;
    int Add(std::unique_ptr<TPoint3D> point);
    void DeletePoint(int index);
    // Removes the entry without freeing it (null for an index out of range), and puts such
    // an entry back at `index`: undo takes points out and puts them back exactly.
    std::unique_ptr<TPoint3D> Take(int index);
    void Insert(int index, std::unique_ptr<TPoint3D> point);
    // The entries from `first` to the end, taken out; and appending such a run again.
    std::vector<std::unique_ptr<TPoint3D>> TakeFrom(int first);
    void Append(std::vector<std::unique_ptr<TPoint3D>> points);
    void Clear();
    void Reserve(int n) { m_items.reserve(static_cast<size_t>(n)); }

    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<std::unique_ptr<TPoint3D>> m_items;
};
