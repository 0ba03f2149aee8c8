#pragma once

#include "model/NCADProject.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

// A point's place on the plan: easting to the right, northing up, world units.
struct TPlanXY {
    double X = 0;
    double Y = 0;
};

// The job's plan positions copied flat in drawing order (group by group, point by point),
// with a uniform grid over them, so that a paint finds what lies in its window without
// walking every point of the job. Points are numbered by their place in that order; a
// code line's segment by the number of its second point.
class TPlanIndex {
public:
    struct Group {
        const TNCADItem* Item = nullptr;
        std::uint32_t First = 0; // number of the group's first point
        std::uint32_t Count = 0;
        bool Line = false; // the group has a code, so its points are joined

        bool operator==(const Group&) const = default;
    };

    // Brings the copy up to date with the job (null: no job) and rebuilds the grid when any
    // group, point or position differs; `pos` gives a point's TPlanXY. One pass over the
    // points, inline because it is the one cost every check of the job pays; true when rebuilt.
    template <class Pos>
    bool Sync(const TNCADProject* project, const Pos& pos);

    // While deferred, a Sync that changes the copy leaves the grid to StepGrid() (a job of
    // millions of points takes a second to grid): until it is done, Query walks everything,
    // so what the index answers is right all along, only slower.
    void DeferGrid(bool defer) { m_deferGrid = defer; }
    bool GridReady() const { return m_build.Phase == kGridDone; }
    // Finishes the grid now.
    void BuildGrid();
    // Grids about `budget` more points or segments; true once the grid is ready.
    bool StepGrid(std::size_t budget);
    // The grid's whole work and the part of it done: for a progress figure.
    std::size_t GridWork() const { return 4 * static_cast<std::size_t>(Size()); }
    std::size_t GridWorkDone() const;

    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_x.size()); }
    const std::vector<Group>& Groups() const { return m_groups; }
    double X(std::uint32_t i) const { return m_x[i]; }
    double Y(std::uint32_t i) const { return m_y[i]; }
    const TPoint3D& Point(std::uint32_t i) const { return *m_points[i]; }

    // Longest texts, bytes, and the widest height label, characters: they bound how far a
    // label reaches right of its point.
    std::size_t MaxIdBytes() const { return m_maxId; }
    std::size_t MaxCodeBytes() const { return m_maxCode; }
    std::size_t MaxHeightChars() const;

    // Numbers, ascending, of the points and of the segments that may lie in the world
    // rectangle (and a few more). False, leaving both empty, when most of the job may: the
    // caller then walks all of it.
    bool Query(double minX, double minY, double maxX, double maxY,
               std::vector<std::uint32_t>& points, std::vector<std::uint32_t>& segments) const;

    // About how many points and segments a paint of the world rectangle visits: those of the
    // grid cells it covers, or all of them where Query would walk the whole job.
    std::size_t Cost(double minX, double minY, double maxX, double maxY) const;

private:
    static std::uint64_t bitsOf(double v) { return std::bit_cast<std::uint64_t>(v); }
    void Finish(std::size_t points, std::size_t groups, bool changed);
    void StartGrid();
    // Calls `each` for the code lines' segments (by the number of a segment's second point)
    // from the build's place up to `end`, and moves the place on.
    template <class Each>
    void EachSegment(std::uint32_t end, const Each& each);
    void CellRange(double minX, double minY, double maxX, double maxY, int& ix0, int& iy0,
                   int& ix1, int& iy1) const;

    bool m_built = false;
    std::vector<double> m_x, m_y;
    std::vector<const TPoint3D*> m_points;
    std::vector<Group> m_groups;
    std::size_t m_maxId = 0, m_maxCode = 0;
    double m_maxAbsZ = 0;
    bool m_oddZ = false; // a height that is not a finite number

    // The grid: cells of m_cell world units from (m_gx, m_gy), m_nx by m_ny. Points beyond it
    // count to its border cells, so a far outlier costs nothing but a candidate.
    double m_gx = 0, m_gy = 0, m_cell = 1;
    int m_nx = 0, m_ny = 0;
    std::vector<std::uint32_t> m_pointStart, m_pointCells;
    std::vector<std::uint32_t> m_segStart, m_segCells;
    std::vector<std::uint32_t> m_longSegs; // spanning too many cells to register in each

    // The grid build's place: points counted, placed, segments counted, placed, done.
    enum : int { kCountPoints, kPlacePoints, kCountSegments, kPlaceSegments, kGridDone };
    struct GridBuild {
        int Phase = kGridDone;
        std::uint32_t Next = 0; // the next point or segment of the phase
        std::size_t Group = 0;  // the group Next lies in (segment phases)
        std::vector<std::uint32_t> Fill;
    };
    GridBuild m_build;
    bool m_deferGrid = false;
};

template <class Pos>
bool TPlanIndex::Sync(const TNCADProject* project, const Pos& pos) {
    bool changed = !m_built;
    std::size_t k = 0, g = 0, maxId = 0, maxCode = 0;
    double maxZ = 0;
    bool oddZ = false;
    // The points lie wherever the job's edits put them: fetched some way ahead of the walk,
    // so that the walk waits on memory less.
    constexpr std::size_t kAhead = 8;
    if (project)
        for (const auto& item : *project) {
            const auto points = item->Points.begin();
            const std::size_t count = static_cast<std::size_t>(item->PointCount());
            const Group group{item.get(), static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(count),
                              !item->Code().empty()};
            maxCode = std::max(maxCode, item->Code().size());
            if (g < m_groups.size()) {
                if (!(m_groups[g] == group))
                    m_groups[g] = group, changed = true;
            } else {
                m_groups.push_back(group);
                changed = true;
            }
            ++g;
            if (k + count > m_x.size()) {
                m_x.resize(k + count);
                m_y.resize(k + count);
                m_points.resize(k + count);
                changed = true;
            }
            const auto at = [&](std::size_t j) {
                if (j + kAhead < count)
                    __builtin_prefetch(points[static_cast<std::ptrdiff_t>(j + kAhead)].get());
                const TPoint3D* point = points[static_cast<std::ptrdiff_t>(j)].get();
                maxId = std::max(maxId, point->ID.size());
                const double z = std::abs(point->Z);
                if (!(z <= maxZ)) {
                    if (std::isfinite(z))
                        maxZ = z;
                    else
                        oddZ = true;
                }
                return std::pair{point, pos(*point)};
            };
            // While nothing differs the copy is only read, a run of points at a time without a
            // branch per point; from the run where something differs on, it is only written.
            std::size_t j = 0;
            while (!changed && j < count) {
                const std::size_t runEnd = std::min(count, j + 256);
                std::uint64_t differs = 0;
                for (std::size_t i = j; i < runEnd; ++i) {
                    const auto [point, xy] = at(i);
                    differs |= static_cast<std::uint64_t>(m_points[k + i] != point) |
                               (bitsOf(m_x[k + i]) ^ bitsOf(xy.X)) | (bitsOf(m_y[k + i]) ^ bitsOf(xy.Y));
                }
                if (differs != 0)
                    changed = true;
                else
                    j = runEnd;
            }
            for (; j < count; ++j) {
                const auto [point, xy] = at(j);
                m_points[k + j] = point;
                m_x[k + j] = xy.X;
                m_y[k + j] = xy.Y;
            }
            k += count;
        }
    m_maxId = maxId;
    m_maxCode = maxCode;
    m_maxAbsZ = maxZ;
    m_oddZ = oddZ;
    Finish(k, g, changed);
    return changed;
}
