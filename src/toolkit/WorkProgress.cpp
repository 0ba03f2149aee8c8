#include "toolkit/WorkProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
constexpr int kSteps = 1000;
} // namespace

TWorkProgress::TWorkProgress(QWidget* owner, const QString& text, int showAfterMs)
    : m_dialog(std::make_unique<QProgressDialog>(text, QString::fromUtf8("취소"), 0, kSteps, owner)) {
    // Nothing else may start meanwhile; the job reads the project as it stands.
    m_dialog->setWindowModality(Qt::ApplicationModal);
    if (owner)
        m_dialog->setWindowTitle(owner->windowTitle());
    m_dialog->setMinimumDuration(showAfterMs);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setValue(0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

TWorkProgress::~TWorkProgress() { QApplication::restoreOverrideCursor(); }

void TWorkProgress::Step(size_t done, size_t total) {
    if (total > 0)
        m_dialog->setValue(static_cast<int>(std::min(done, total) * kSteps / total));
    pump();
    if (m_dialog->wasCanceled())
        throw EWorkCancelled();
}

void TWorkProgress::Finishing(const QString& text) {
    if (!m_finishing) {
        m_finishing = true;
        m_dialog->setLabelText(text);
        m_dialog->setCancelButton(nullptr);
        m_dialog->setRange(0, 0);
    }
    pump();
}

void TWorkProgress::pump() {
    // Until the window shows (and its modality blocks the others) clicks wait, so that the
    // job's own dialog cannot start it a second time.
    QApplication::processEvents(m_dialog->isVisible() ? QEventLoop::AllEvents
                                                      : QEventLoop::ExcludeUserInputEvents);
}
