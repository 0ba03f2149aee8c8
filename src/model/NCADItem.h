#pragma once

#include "model/Point3D.h"

#include <string>

class TNCADProject;

// A code group: the points sharing one CODE text, in order of arrival. The view joins them
// with one line and the DXF export writes them as one polyline.
class TNCADItem {
public:
    TNCADItem() = default;
    TNCADItem(const TNCADItem&) = delete;
    TNCADItem& operator=(const TNCADItem&) = delete;

    const std::string& Code() const { return m_code; }
    // Renaming goes through the owning project so that its code index stays true.
    void SetCode(std::string code);

    TPointList Points;

    int AddPoint(std::unique_ptr<TPoint3D> point) { return Points.Add(std::move(point)); }
    // Convenience for callers that build the point in place.
    TPoint3D* AddPoint(double x, double y, double z, std::string id);
    void DeletePoint(int index) { Points.DeletePoint(index); }
    TPoint3D* GetPoint(int index) const { return Points.Get(index); }
    int PointCount() const { return Points.Count(); }

private:
    friend class TNCADProject;
    std::string m_code;
    TNCADProject* m_owner = nullptr;
};
