#include "app/Main.h"

#include "comm/RecvFiles.h"
#include "io/PointWrite.h"
#include "model/NCADProject.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QUndoStack>

void TMainForm::WireFileCommands() {
    FileSaveItem = new QAction(QString::fromUtf8("저장"), this);
    FileSaveItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    FileSaveAsItem = new QAction(QString::fromUtf8("다른 이름으로 저장..."), this);
    FileSaveAsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QAction* before = Export->menuAction();
    menuMain->insertAction(before, FileSaveItem);
    menuMain->insertAction(before, FileSaveAsItem);
    menuMain->insertSeparator(before);
    // Window-wide: the keys work with the focus in the table or the view alike.
    for (QAction* item : {FileSaveItem, FileSaveAsItem})
        item->setShortcutContext(Qt::WindowShortcut);
    connect(FileSaveItem, &QAction::triggered, this, [this] { RunGuarded([this] { SaveJob(); }); });
    connect(FileSaveAsItem, &QAction::triggered, this, [this] { RunGuarded([this] { SaveJobAs(); }); });

    JobPanel = new QLabel(StatusBar1);
    JobPanel->setObjectName("JobPanel");
    JobPanel->setFrameShape(QFrame::Panel);
    JobPanel->setFrameShadow(QFrame::Sunken);
    JobPanel->setMinimumWidth(160);
    StatusBar1->addPermanentWidget(JobPanel);
    connect(UndoStack, &QUndoStack::cleanChanged, this, &TMainForm::UpdateJobPanel);
    UpdateJobPanel();
}

bool TMainForm::JobChanged() const { return !UndoStack->isClean(); }

void TMainForm::UpdateJobPanel() {
    const QString name =
        m_jobPath.isEmpty() ? QString::fromUtf8("제목 없음") : QFileInfo(m_jobPath).fileName();
    JobPanel->setText(JobChanged() ? name + QString::fromUtf8(" (수정됨)") : name);
    JobPanel->setToolTip(m_jobPath.isEmpty()
                             ? QString::fromUtf8("파일에 저장한 적이 없는 작업입니다. 저장하면 파일 이름을 묻습니다.")
                             : QDir::toNativeSeparators(m_jobPath));
}

void TMainForm::OpenedJob(const QString& path) {
    m_jobPath = path;
    // A file opened whole into an empty window is where the work starts, as in an office
    // program: nothing before it to go back to (undoing it left an empty, "changed" job).
    if (!path.isEmpty())
        UndoStack->clear();
    UndoStack->setClean();
    UpdateJobPanel();
}

void TMainForm::SavedJob(const QString& path) {
    m_jobPath = path;
    JobFile = path;
    UndoStack->setClean();
    UpdateJobPanel();
}

// What the tool button's save writes: every point, group by group, through the safe writer.
void TMainForm::WriteJob(const QString& path) {
    SavePointFile(*Project, QFile::encodeName(path).toStdString());
    SavedJob(path);
}

namespace {
bool nothingToSave(const TNCADProject& project) {
    if (project.Count() > 0)
        return false;
    Dialogs::ShowMessage(QString::fromUtf8("저장할 데이터가 없습니다."));
    return true;
}

bool sameFile(const QString& a, const QString& b) {
    return !b.isEmpty() && QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}
} // namespace

bool TMainForm::SaveJob() {
    if (m_jobPath.isEmpty())
        return SaveJobAs();
    if (nothingToSave(*Project))
        return false;
    WriteJob(m_jobPath);
    return true;
}

bool TMainForm::SaveJobAs() {
    if (nothingToSave(*Project))
        return false;
    QFileDialog dialog(this, QString::fromUtf8("다른 이름으로 저장"));
    dialog.setObjectName("SaveAsDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({"TXT (*.txt)", "CSV (*.csv)"});
    dialog.setDefaultSuffix("txt");
    // Asked below, in the program's words and naming the file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // The job's folder: of its own file, else of the file it came from (an instrument file,
    // a file read only in part: its points as a point file beside it), else the last one.
    const bool fromFile =
        !JobFile.isEmpty() && !RecvFiles::IsBufferFile(QFile::encodeName(JobFile).toStdString());
    if (!m_jobPath.isEmpty()) {
        dialog.setDirectory(QFileInfo(m_jobPath).absolutePath());
        dialog.selectFile(QFileInfo(m_jobPath).fileName());
    } else if (fromFile) {
        dialog.setDirectory(QFileInfo(JobFile).absolutePath());
        dialog.selectFile(QFileInfo(JobFile).completeBaseName() + ".txt");
    } else {
        dialog.setDirectory(OpenDialog1 ? OpenDialog1->directory() : QDir::home());
    }
    for (;;) {
        QString path;
        if (SaveDialogHook)
            path = SaveDialogHook(dialog);
        else if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().constFirst();
        if (path.isEmpty())
            return false;
        // Not every dialog adds it (a desktop's own may not); the asking below must see the
        // name that is written.
        if (QFileInfo(path).suffix().isEmpty())
            path += ".txt";
        if (QFileInfo::exists(path) && !sameFile(path, m_jobPath) &&
            !Dialogs::Confirm(QString::fromUtf8("\"%1\" 파일이 이미 있습니다. 바꾸시겠습니까?")
                                  .arg(QDir::toNativeSeparators(path))))
            continue;
        WriteJob(path);
        return true;
    }
}

// The close box and 종료 alike, as office programs ask: 저장 saves (closing only once the
// job is in its file), 저장 안 함 drops the changes, 취소 keeps the window.
bool TMainForm::CanClose() {
    if (!JobChanged())
        return true;
    QString text = QString::fromUtf8("저장하지 않은 측점이 있습니다.\n");
    text += m_jobPath.isEmpty()
                ? QString::fromUtf8("닫기 전에 저장하시겠습니까?")
                : QString::fromUtf8("닫기 전에 \"%1\"에 저장하시겠습니까?").arg(QFileInfo(m_jobPath).fileName());
    text += QString::fromUtf8("\n저장하지 않으면 변경 내용이 사라집니다.");
    Dialogs::Box box{QCoreApplication::applicationName(), text, Dialogs::Icon::Warning,
                     Dialogs::Buttons::YesNoCancel};
    box.yesText = QString::fromUtf8("저장");
    box.noText = QString::fromUtf8("저장 안 함");
    box.cancelText = QString::fromUtf8("취소");
    switch (Dialogs::Show(box)) {
    case Dialogs::Answer::Yes:
        try {
            return SaveJob();
        } catch (...) {
            // The error box says why; the window stays with the job in it.
            TApplication::HandleException(std::current_exception());
            return false;
        }
    case Dialogs::Answer::No:
        return true;
    default:
        return false;
    }
}
