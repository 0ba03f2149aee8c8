#pragma once

#include "model/AxisOrder.h"
#include "model/NCADProject.h"

#include <memory>

// The job as a plan is drawn: X easting to the right, Y northing up. Drawings, plots and
// CAD files take this, so that a job whose X is northing comes out the same as one with its
// columns exchanged. Under XEast it is the job itself; under XNorth a copy with X and Y
// exchanged (groups, codes, IDs, heights and order as they are). The job must outlive it.
class TPlanProject {
public:
    TPlanProject(const TNCADProject& job, TAxisOrder axes);
    const TNCADProject& operator*() const { return m_copy ? *m_copy : m_job; }
    const TNCADProject* operator->() const { return &**this; }

private:
    const TNCADProject& m_job;
    std::unique_ptr<TNCADProject> m_copy;
};
