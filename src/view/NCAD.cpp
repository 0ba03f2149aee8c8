#include "view/NCAD.h"

#include "model/ProjectManager.h"

#include <QPainter>

TNCAD::TNCAD(QWidget* parent)
    : QWidget(parent), m_projectManager(std::make_unique<TProjectManager>()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TNCAD::~TNCAD() { m_projectManager->ClearProjects(); }

TNCADProject* TNCAD::Project() const { return m_projectManager->GetProject(0); }

bool TNCAD::FindPoint(const std::string& code, double x, double y, double z, int& itemIndex,
                      int& pointIndex) const {
    const TNCADProject* p = Project();
    return p && p->FindPoint(code, x, y, z, itemIndex, pointIndex);
}

void TNCAD::FindPointAt(int& itemIndex, int& pointIndex, double x, double y, double z) const {
    if (const TNCADProject* p = Project())
        p->FindPointAt(itemIndex, pointIndex, x, y, z);
}

void TNCAD::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}
