#include "model/ProjectManager.h"

int TProjectManager::AddProject(std::unique_ptr<TNCADProject> project) {
    m_projects.push_back(std::move(project));
    return Count() - 1;
}

TNCADProject* TProjectManager::GetProject(int index) const {
    if (index < 0 || index >= Count())
        return nullptr;
    return m_projects[static_cast<size_t>(index)].get();
}

void TProjectManager::ClearProjects() {
    while (!m_projects.empty())
        m_projects.pop_back();
}
