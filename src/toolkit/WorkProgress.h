#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <stdexcept>

class QProgressDialog;
class QWidget;

// The user pressed Cancel in a TWorkProgress window.
class EWorkCancelled : public std::runtime_error {
public:
    EWorkCancelled() : std::runtime_error("cancelled") {}
};

// A progress window with Cancel for a long job that runs on the user-interface thread (an
// export). It shows only once the job takes a while. Step() moves it on, keeps the windows
// painting and throws EWorkCancelled once Cancel was pressed; the job's own clean-up runs as
// the exception passes.
class TWorkProgress {
public:
    // `showAfterMs`: 0 when the job is known to be long, so that the window shows at once.
    TWorkProgress(QWidget* owner, const QString& text, int showAfterMs = 700);
    ~TWorkProgress();
    TWorkProgress(const TWorkProgress&) = delete;
    TWorkProgress& operator=(const TWorkProgress&) = delete;

    void Step(size_t done, size_t total);
    // The job is past what Step() can measure and cannot be stopped any more (a document
    // being finished): the bar only shows that it goes on. Called again, keeps painting.
    void Finishing(const QString& text);

private:
    void pump();

    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_finishing = false;
};
