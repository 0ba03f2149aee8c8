#include "app/Main.h"

#include "app/SecondRun.h"
#include "io/PointImport.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

constexpr int kRecentCount = 8;
// In the program's settings file, beside the port and line settings.
const char kRecentKey[] = "files/recent";
// Pixels a second window stands right of and below the window that opened it.
constexpr int kCascade = 32;
// Room for the frame the window system puts round the window, which is known only once the
// window shows: borders and a title bar, in device-independent pixels.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;

// What the program remembers between runs.
std::unique_ptr<QSettings> settings() { return std::make_unique<QSettings>("PointBridge", "PointBridge"); }

// The local files of a drop, in the order given.
QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (data)
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    return files;
}

} // namespace

void TMainForm::WireOpen() {
    setAcceptDrops(true);
    // The message area would take a dropped file for text to paste.
    MsgStr->setAcceptDrops(false);
    RecentMenu = new QMenu("최근 파일", menuMain);
    menuMain->insertMenu(N9, RecentMenu);
    menuMain->insertSeparator(N9);
    // Another window may have opened a file since: the list is read when the menu opens.
    connect(RecentMenu, &QMenu::aboutToShow, this, [this] { RunGuarded([this] { FillRecentMenu(); }); });
    FillRecentMenu();
    // A second window stands offset from this one.
    SecondRunStarter = [this](const QString& path, const QStringList& options) {
        StartSecondRun(path, options + QStringList{"--near", QString("%1,%2").arg(x()).arg(y())});
    };
}

QStringList TMainForm::RecentFiles() {
    return settings()->value(kRecentKey).toStringList().mid(0, kRecentCount);
}

void TMainForm::RememberFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = RecentFiles();
    files.removeAll(file);
    files.prepend(file);
    settings()->setValue(kRecentKey, files.mid(0, kRecentCount));
}

void TMainForm::FillRecentMenu() {
    RecentMenu->clear();
    const QStringList files = RecentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QString caption = QDir::toNativeSeparators(files[i]);
        caption.replace("&", "&&");
        QAction* item = RecentMenu->addAction(QString("&%1 %2").arg(i + 1).arg(caption));
        connect(item, &QAction::triggered, this,
                [this, file = files[i]] { RunGuarded([&] { OpenJobFile(file); }); });
    }
    if (files.isEmpty()) {
        RecentMenu->addAction("(없음)")->setEnabled(false);
        return;
    }
    RecentMenu->addSeparator();
    connect(RecentMenu->addAction("목록 지우기"), &QAction::triggered, this,
            [] { settings()->remove(kRecentKey); });
}

void TMainForm::OpenJobFile(const QString& path, const QStringList& options) {
    // Refused here, also for a second window: a pipe would leave the reader waiting.
    CheckJobFile(QFile::encodeName(path).toStdString());
    // Groups, even empty ones, mean this window holds a job: the file opens in a window of
    // its own.
    if (Project->Count() == 0)
        ImportFile(path, options);
    else
        SecondRunStarter(path, options);
    RememberFile(path);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedFiles(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Read once the drop has ended: an import may show boxes, which must not run while the
    // window system still waits on the drag. The first file into this window when it is
    // empty, every other one into a window of its own.
    QTimer::singleShot(0, this, [this, files] {
        RunGuarded([&] {
            for (const QString& file : files)
                OpenJobFile(file);
        });
    });
}

void TMainForm::PlaceWindow(const QStringList& arguments) {
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize room = area.size() - QSize(kFrameWidth, kFrameHeight);
    // The window with its frame; the window system may have cut the size to the screen already.
    if (!area.contains(QRect(pos(), size() + QSize(kFrameWidth, kFrameHeight)))) {
        resize(size().boundedTo(room));
        // move() places the frame: centre the frame, not the client area, so that the
        // title bar stays on the screen.
        const QSize spare = room - size();
        move(area.topLeft() + QPoint(spare.width() / 2, spare.height() / 2));
    }
    const int at = arguments.indexOf("--near");
    if (at < 0 || at + 1 >= arguments.size())
        return;
    const QStringList xy = arguments[at + 1].split(',');
    bool xOk = false, yOk = false;
    const QPoint near(xy.value(0).toInt(&xOk), xy.value(1).toInt(&yOk));
    if (!xOk || !yOk)
        return;
    QPoint pos = near + QPoint(kCascade, kCascade);
    QSize left(area.right() + 1 - pos.x() - kFrameWidth, area.bottom() + 1 - pos.y() - kFrameHeight);
    // A window that would not fit there even made smaller starts the cascade again in the
    // screen's top left corner; otherwise it gives up what reaches past the screen's edge.
    const QSize least = minimumSizeHint();
    if (!area.contains(pos) || left.width() < least.width() || left.height() < least.height()) {
        pos = area.topLeft();
        left = room;
    }
    resize(size().boundedTo(left));
    move(pos);
}
