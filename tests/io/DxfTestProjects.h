#pragma once

#include "model/NCADProject.h"

#include <memory>
#include <string>

// Projects the DXF tests share.
namespace DxfTestProjects {

inline TNCADItem* addGroup(TNCADProject& project, const std::string& code) {
    auto item = std::make_unique<TNCADItem>();
    TNCADItem* raw = item.get();
    project.AddItem(std::move(item));
    raw->SetCode(code);
    return raw;
}

// Group A with the one point ID 1 at (10, 20, 5).
inline void onePoint(TNCADProject& project) {
    addGroup(project, "A")->AddPoint(10, 20, 5, "1");
}

// A group with negative coordinates, an empty group, a group without code.
inline void mixed(TNCADProject& project) {
    addGroup(project, "NEG")->AddPoint(-1234.5, -0.1, 0, "N1");
    addGroup(project, "EMPTY");
    addGroup(project, "")->AddPoint(352140.125, -12.5, 12.5, "7");
}

// Every line of `text` followed by CR LF.
inline std::string crlf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n')
            out += '\r';
        out += *p;
    }
    return out;
}

} // namespace DxfTestProjects
