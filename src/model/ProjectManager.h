#pragma once

#include "model/NCADProject.h"

#include <memory>
#include <vector>

// The view's owning list of projects; the program works on project 0 only.
class TProjectManager {
public:
    TProjectManager() = default;
    ~TProjectManager() { ClearProjects(); }
    TProjectManager(const TProjectManager&) = delete;
    TProjectManager& operator=(const TProjectManager&) = delete;

    int Count() const { return static_cast<int>(m_projects.size()); }
    int AddProject(std::unique_ptr<TNCADProject> project);
    TNCADProject* GetProject(int index) const;
    void ClearProjects();

private:
    std::vector<std::unique_ptr<TNCADProject>> m_projects;
};
