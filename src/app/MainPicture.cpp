#include "app/Main.h"

#include "toolkit/Application.h"
#include "view/NCAD.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

// A picture drawn in bands: a panel in the view's lower left corner shows how far it is and
// offers to stop it; once stopped it says the view shows part of the picture only, until the
// view moves. It lies over the view rather than in the status bar: a status bar that grew
// would narrow the view, and a narrower view starts its picture again.
void TMainForm::WirePictureProgress() {
    auto* panel = new QWidget(NCAD1->viewport());
    panel->setObjectName("PictureProgressPanel");
    panel->setAutoFillBackground(true);
    panel->setCursor(Qt::ArrowCursor);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* text = new QLabel(panel);
    text->setObjectName("PictureProgressText");
    text->setFrameShape(QFrame::Panel);
    text->setFrameShadow(QFrame::Sunken);
    auto* cancel = new QToolButton(panel);
    cancel->setObjectName("PictureCancelButton");
    cancel->setText(QString::fromUtf8("취소"));
    cancel->setToolTip(QString::fromUtf8("그리기를 멈춥니다 (Esc)"));
    layout->addWidget(text);
    layout->addWidget(cancel);
    panel->hide();
    connect(cancel, &QToolButton::clicked, this,
            [this] { RunGuarded([this] { NCAD1->CancelPicture(); }); });
    NCAD1->OnPictureProgress = [this, panel, text, cancel](TPictureState state, int percent) {
        if (state == TPictureState::Complete) {
            panel->hide();
            return;
        }
        cancel->setVisible(state == TPictureState::Drawing);
        text->setText(state == TPictureState::Drawing
                          ? QString::fromUtf8("그리는 중 %1%").arg(percent)
                          : QString::fromUtf8("그리기 취소됨: 그림 일부만 표시"));
        panel->adjustSize();
        constexpr int kMargin = 4; // pixels from the view's edges
        panel->move(kMargin, NCAD1->viewport()->height() - panel->height() - kMargin);
        panel->show();
    };
}
