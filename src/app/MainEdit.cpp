#include "app/Main.h"

#include "app/JobCommands.h"
#include "comm/RecvFiles.h"
#include "toolkit/Application.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QUndoStack>

namespace {

// Steps kept; an import of a million points costs nothing here until it is undone.
constexpr int kUndoSteps = 1000;

QString importStepName(const QString& source) {
    if (source.isEmpty())
        return QString::fromUtf8("불러오기");
    if (RecvFiles::IsBufferFile(QFile::encodeName(source).toStdString()))
        return QString::fromUtf8("받은 측점 불러오기");
    return QString::fromUtf8("파일 불러오기");
}

} // namespace

void TMainForm::WireEditCommands() {
    UndoStack = new QUndoStack(this);
    UndoStack->setUndoLimit(kUndoSteps);

    EditMenu = new QMenu(QString::fromUtf8("편집(&E)"), this);
    EditMenu->setObjectName("EditMenu");
    menuBar()->insertMenu(N1->menuAction(), EditMenu); // right after 파일
    UndoItem = EditMenu->addAction(QString::fromUtf8("실행 취소"));
    UndoItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoItem = EditMenu->addAction(QString::fromUtf8("다시 실행"));
    RedoItem->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    // Window-wide: the keys work with the focus in the table or the view alike.
    for (QAction* item : {UndoItem, RedoItem})
        item->setShortcutContext(Qt::WindowShortcut);
    connect(UndoItem, &QAction::triggered, this, [this] { RunGuarded([this] { UndoStack->undo(); }); });
    connect(RedoItem, &QAction::triggered, this, [this] { RunGuarded([this] { UndoStack->redo(); }); });

    // Each item names the step it would take: "실행 취소: 측점 삭제".
    auto name = [this] {
        const auto caption = [](const char* what, const QString& step) {
            return step.isEmpty() ? QString::fromUtf8(what) : QString::fromUtf8(what) + ": " + step;
        };
        UndoItem->setText(caption("실행 취소", UndoStack->undoText()));
        RedoItem->setText(caption("다시 실행", UndoStack->redoText()));
        UndoItem->setEnabled(UndoStack->canUndo());
        RedoItem->setEnabled(UndoStack->canRedo());
    };
    connect(UndoStack, &QUndoStack::indexChanged, this, name);
    connect(UndoStack, &QUndoStack::cleanChanged, this, name);
    name();
}

// The steps go quietly, before the widgets that show their state.
void TMainForm::DestroyEditCommands() {
    UndoStack->disconnect(this);
    delete UndoStack;
    UndoStack = nullptr;
}

TJobParts TMainForm::JobParts() { return {*NiceGrid1, *Project, *NCAD1}; }

TMainForm::TImportRecord::TImportRecord(TMainForm& form, const QString& source)
    : m_form(form), m_source(source), m_before(std::make_unique<TJobSize>(MeasureJob(form.JobParts()))) {}

void TMainForm::TImportRecord::Discard() {
    m_discard = true;
    DiscardImport(m_form.JobParts(), std::move(*m_before));
}

TMainForm::TImportRecord::~TImportRecord() {
    if (m_discard)
        return;
    // Also runs while the error of a faulty line goes up, so nothing may leave here.
    try {
        if (auto step = MakeImportStep(m_form.JobParts(), importStepName(m_source), std::move(*m_before)))
            m_form.UndoStack->push(step.release());
    } catch (...) {
    }
}
