#include "model/PlanProject.h"

TPlanProject::TPlanProject(const TNCADProject& job, TAxisOrder axes) : m_job(job) {
    if (axes == TAxisOrder::XEast)
        return;
    m_copy = std::make_unique<TNCADProject>();
    m_copy->SetName(job.Name());
    for (const auto& group : job) {
        auto copy = std::make_unique<TNCADItem>();
        copy->SetCode(group->Code());
        copy->Points.Reserve(group->PointCount());
        for (const auto& point : group->Points) {
            const TEastNorth plan = ToEastNorth(point->X, point->Y, axes);
            copy->AddPoint(plan.E, plan.N, point->Z, point->ID);
        }
        m_copy->AddItem(std::move(copy));
    }
}
