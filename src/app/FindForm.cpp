#include "app/FindForm.h"

#include "toolkit/Application.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFindForm::TFindForm(QWidget* owner) : QDialog(owner) {
    setWindowTitle("찾기");
    setObjectName("FindForm");
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel("ID 또는 코드(&I):", this);
    edtFind = new QLineEdit(this);
    edtFind->setObjectName("edtFind");
    edtFind->setMinimumWidth(180);
    label->setBuddy(edtFind);
    grid->addWidget(label, 0, 0);
    grid->addWidget(edtFind, 0, 1);
    chkWhole = new QCheckBox("칸 전체가 같은 것만(&W)", this);
    chkWhole->setObjectName("chkWhole");
    grid->addWidget(chkWhole, 1, 1);
    lblNote = new QLabel(this);
    lblNote->setObjectName("lblNote");
    grid->addWidget(lblNote, 2, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnFindNext = new QPushButton("다음 찾기(&N)", this);
    btnFindNext->setDefault(true);
    btnClose = new QPushButton("닫기", this);
    buttons->addWidget(btnFindNext);
    buttons->addWidget(btnClose);
    grid->addLayout(buttons, 3, 0, 1, 2);

    connect(btnFindNext, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnFindNextClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    // A new text starts with a clean note.
    connect(edtFind, &QLineEdit::textEdited, lblNote, &QLabel::clear);
}

void TFindForm::Start(const QString& text, bool whole) {
    if (!isVisible()) {
        edtFind->setText(text);
        chkWhole->setChecked(whole);
        lblNote->clear();
    }
    show();
    raise();
    activateWindow();
    edtFind->setFocus();
    edtFind->selectAll();
}

void TFindForm::btnFindNextClick() {
    if (OnFind)
        lblNote->setText(OnFind(edtFind->text(), chkWhole->isChecked()));
}
