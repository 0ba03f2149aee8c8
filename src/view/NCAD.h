#pragma once

#include <QWidget>

#include <memory>

class TProjectManager;
class TNCADProject;

// The plan view. It owns the project manager and with it every project, group and point.
class TNCAD : public QWidget {
    Q_OBJECT
public:
    explicit TNCAD(QWidget* parent = nullptr);
    ~TNCAD() override;

    TProjectManager* ProjectManager() const { return m_projectManager.get(); }
    // Project 0, the one the program works on; null before the main window registers it.
    TNCADProject* Project() const;

    bool FindPoint(const std::string& code, double x, double y, double z, int& itemIndex,
                   int& pointIndex) const;
    void FindPointAt(int& itemIndex, int& pointIndex, double x, double y, double z) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<TProjectManager> m_projectManager;
};
