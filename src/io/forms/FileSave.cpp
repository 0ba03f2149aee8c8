#include "io/forms/FileSave.h"

#include "io/PointWrite.h"
#include "model/CodeText.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/DirectoryEdit.h"
#include "toolkit/Fonts.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFileSaveForm::TFileSaveForm(const TNCADProject& project, QWidget* parent)
    : QDialog(parent), m_project(project) {
    setWindowTitle("파일 저장 하기");
    setFont(QFont(Fonts::kUiFamily, 8));
    setFixedSize(562, 172);

    Label1 = new QLabel("파일을 저장할 파일이름과 경로를 설정해 주시기 바랍니다.", this);
    Label1->move(24, 32);
    Label1->adjustSize();
    Label2 = new QLabel("파일 이름 :", this);
    Label2->move(24, 68);
    Label2->adjustSize();
    Label3 = new QLabel("파일 경로 :", this);
    Label3->move(24, 100);
    Label3->adjustSize();

    FileNameEdit = new QLineEdit(this);
    FileNameEdit->setGeometry(96, 64, 453, 21);
    DirectoryEdit = new TDirectoryEdit(this);
    DirectoryEdit->setGeometry(96, 97, 453, 21);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setGeometry(204, 132, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton("Cancel", this);
    BitBtn2->setGeometry(285, 132, 75, 25);

    setTabOrder(FileNameEdit, DirectoryEdit);
    setTabOrder(DirectoryEdit, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    // OK closes the dialog whatever happened, also after a message or an error box.
    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        RunGuarded([this] { BitBtn1Click(); });
        accept();
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

int TFileSaveForm::Execute() { return exec(); }

void TFileSaveForm::BitBtn1Click() {
    if (DirectoryEdit->Text().isEmpty() || FileNameEdit->text().isEmpty()) {
        Dialogs::ShowMessage("파일이름과 디렉토리 항목을 반드시 설정해야 합니다.");
        return;
    }
    if (m_project.Count() == 0) {
        Dialogs::ShowMessage("저장할 데이터가 없습니다.");
        return;
    }
    const std::string upper = UpperAscii(FileNameEdit->text().toStdString());
    if (upper.find("TXT") == std::string::npos)
        FileNameEdit->setText(FileNameEdit->text() + ".txt");
    QString folder = DirectoryEdit->Text();
    if (!folder.endsWith('/'))
        folder += '/';
    const QString path = QDir::fromNativeSeparators(folder) + FileNameEdit->text();
    SavePointFile(m_project, path.toStdString());
    m_saved = true;
    m_savedPath = path;
}
