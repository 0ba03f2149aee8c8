#pragma once

#include "io/dxf/DXFWriter.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TDirectoryEdit;
class TNCADProject;

// "DXF 저장": asks for a file name and a folder and writes the project there as DXF. The
// caller passes the extents the view holds now; the dialog reads the project and changes
// nothing in it. Use: TDXFForm form(owner, project, extents); form.exec();
class TDXFForm : public QDialog {
    Q_OBJECT
public:
    TDXFForm(QWidget* owner, const TNCADProject& project, const TDXFExtents& extents);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* FileNameEdit = nullptr;
    TDirectoryEdit* DirectoryEdit = nullptr;
    // Off: the plain drawing as always. On: the drawing for CAD work (a layer per code,
    // labels sized for 1:500, units metres).
    QCheckBox* chkCADLayers = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // OK: checks the fields, completes the name, writes the file and reports. Errors go up
    // to the caller; the button's own click reports them and closes the dialog either way.
    void BitBtn1Click();
    void BitBtn2Click();

private:
    const TNCADProject& m_project;
    TDXFExtents m_extents;
};
