#include "io/forms/DXFFormUnit.h"

#include "io/dxf/DXFFile.h"
#include "io/dxf/DXFLayers.h"
#include "model/CodeText.h"
#include "toolkit/Application.h"
#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/DirectoryEdit.h"
#include "toolkit/Fonts.h"
#include "toolkit/WorkProgress.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

namespace {

QLabel* placeLabel(QWidget* parent, const QString& text, int left, int top) {
    auto* label = new QLabel(text, parent);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace

TDXFForm::TDXFForm(QWidget* owner, const TNCADProject& project, const TDXFExtents& extents)
    : QDialog(owner), m_project(project), m_extents(extents) {
    setWindowTitle("DXF 저장");
    setFont(QFont(Fonts::kUiFamily, 8));
    setFixedSize(562, 172);

    Label1 = placeLabel(this, "DXF파일을 저장할 파일이름과 경로를 설정해 주시기 바랍니다.", 24, 32);
    Label2 = placeLabel(this, "파일 이름 :", 24, 68);
    Label3 = placeLabel(this, "파일 경로 :", 24, 100);

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setGeometry(96, 64, 453, 21);
    DirectoryEdit = new TDirectoryEdit(this);
    DirectoryEdit->setGeometry(96, 97, 453, 21);
    chkCADLayers = new QCheckBox("CAD 레이어로 저장", this);
    chkCADLayers->move(24, 136);
    chkCADLayers->adjustSize();

    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), Catalog::Tk("OK"), this);
    BitBtn1->setGeometry(204, 132, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              Catalog::Tk("Cancel"), this);
    BitBtn2->setGeometry(285, 132, 75, 25);
    BitBtn2->setAutoDefault(false);

    // OK closes the dialog whatever its handler did, also after a message: the user opens
    // it again to retry.
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        RunGuarded([&] { BitBtn1Click(); });
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this] {
        RunGuarded([&] { BitBtn2Click(); });
        reject();
    });
    setTabOrder(FileNameEdit, DirectoryEdit);
    setTabOrder(DirectoryEdit, chkCADLayers);
    setTabOrder(chkCADLayers, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    FileNameEdit->setFocus();
}

void TDXFForm::BitBtn1Click() {
    // Not trimmed: a name made of blanks is the user's choice.
    if (DirectoryEdit->Text().isEmpty() || FileNameEdit->text().isEmpty()) {
        Dialogs::ShowMessage("파일이름과 디렉토리 항목을 반드시 설정해야 합니다.");
        return;
    }
    const std::string name = FileNameEdit->text().toStdString();
    if (UpperAscii(name).find("DXF") == std::string::npos)
        FileNameEdit->setText(FileNameEdit->text() + ".dxf");

    const QString path = DirectoryEdit->Text() + '/' + FileNameEdit->text();
    try {
        // A big job takes seconds; the window is gone before any message shows. Cancel
        // leaves a file already there as it was.
        TWorkProgress progress(this, "DXF 파일을 저장하는 중입니다...");
        const auto step = [&](size_t done, size_t total) { progress.Step(done, total); };
        const std::string file = QFile::encodeName(path).toStdString();
        if (chkCADLayers->isChecked()) {
            TDXFLayerOptions options;
            options.Extents = m_extents;
            WriteLayeredDxfFile(file, m_project, options, step);
        } else {
            WriteDxfFile(file, m_project, m_extents, step);
        }
    } catch (const EWorkCancelled&) {
        return;
    }
    Dialogs::ShowMessage(FileNameEdit->text() + "DXF 저장이 완료되었습니다.");
}

void TDXFForm::BitBtn2Click() {}
