#include "app/Main.h"

#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include <stdexcept>

namespace {

// What the programs are built on, with the licence each is used under. Versions of the
// libraries linked statically or by the cli are those the build found.
QString aboutText() {
    const QString libraries[] = {
        QString::fromUtf8("Qt %1 — GNU LGPL 3.0: 창, 그림, 인쇄, PDF").arg(qVersion()),
        QString::fromUtf8("PROJ %1 — MIT: 좌표계 변환").arg(PB_PROJ_VERSION),
        QString::fromUtf8("GDAL/OGR %1 — MIT: GIS 파일").arg(PB_GDAL_VERSION),
        QString::fromUtf8("Eigen %1 — MPL 2.0: 좌표 변환의 최소제곱 계산").arg(PB_EIGEN_VERSION),
        QString::fromUtf8("GNU C 라이브러리와 gettext — GNU LGPL 2.1 이상: 메시지 카탈로그"),
        QString::fromUtf8("LibreOffice SDK (UNO) — MPL 2.0: Calc로 내보내기 도우미"),
    };
    QString text = QString::fromUtf8("PointBridge %1\n측량기와 측점을 주고받고, 측점을 표와 평면도로 "
                                     "보여 주는 프로그램입니다.\n\n사용한 라이브러리와 사용 허가:")
                       .arg(PB_VERSION);
    for (const QString& line : libraries)
        text += "\n• " + line;
    return text;
}

} // namespace

void TMainForm::WireKeysAndHelp() {
    // Alt and the letter opens a menu.
    menuMain->setTitle("파일(&F)");
    N1->setTitle("통신(&C)");
    CAD1->setTitle("CAD기능(&D)");
    // Keys of the menu bar's items work wherever the focus is in this window.
    XT1->setShortcut(Qt::CTRL | Qt::Key_O);
    N10->setShortcut(Qt::CTRL | Qt::Key_P);
    N9->setShortcut(Qt::CTRL | Qt::Key_Q);

    HelpMenu = menuBar()->addMenu("도움말(&H)");
    HelpManual = HelpMenu->addAction("사용 설명서");
    HelpManual->setShortcut(Qt::Key_F1);
    connect(HelpManual, &QAction::triggered, this, [this] { RunGuarded([this] { HelpManualClick(); }); });
    HelpAbout = HelpMenu->addAction("정보");
    connect(HelpAbout, &QAction::triggered, this, [this] { RunGuarded([this] { HelpAboutClick(); }); });
}

// Beside the program first (a copy handed round with its guide), then where an install puts
// documents, then the source tree of a program run from its build folder (./run).
QString TMainForm::ManualPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& path : {dir + "/README.md", dir + "/../share/doc/pointbridge/README.md",
                                QString::fromUtf8(PB_SOURCE_DIR "/README.md")})
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    return {};
}

void TMainForm::HelpManualClick() {
    const QString path = ManualPath();
    if (path.isEmpty())
        throw std::runtime_error(
            QString::fromUtf8("사용 설명서 README.md를 찾지 못했습니다. 찾아본 곳: %1")
                .arg(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()))
                .toStdString());
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        throw std::runtime_error(
            QString::fromUtf8("사용 설명서 \"%1\"를 열 프로그램이 없습니다.").arg(path).toStdString());
}

void TMainForm::HelpAboutClick() {
    Dialogs::Show({QString::fromUtf8("PointBridge 정보"), aboutText(), Dialogs::Icon::Information,
                   Dialogs::Buttons::Ok});
}
