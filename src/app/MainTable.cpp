#include "app/Main.h"

#include "app/GridRowSink.h"
#include "io/PointImport.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QApplication>
#include <QProgressDialog>

#include <memory>

namespace {
// Imports smaller than this finish before a progress window would be worth showing.
constexpr size_t kProgressFromBytes = 4 * 1024 * 1024;
} // namespace

void TMainForm::WireTableCommands() {}

void TMainForm::ImportPointLines(const TPointLines& lines) {
    std::unique_ptr<QProgressDialog> progressWindow;
    TImportProgress progress;
    progress.LinesBetweenReports = 20000;
    progress.Report = [&](size_t done, size_t total) {
        if (total < kProgressFromBytes)
            return;
        if (!progressWindow) {
            progressWindow = std::make_unique<QProgressDialog>(
                QString::fromUtf8("측점을 불러오는 중입니다..."), QString(), 0, 1000, this);
            progressWindow->setWindowModality(Qt::WindowModal);
            progressWindow->setMinimumDuration(0);
        }
        progressWindow->setValue(static_cast<int>(done * 1000 / total));
        // Keep the windows painting; no user input while the table is half filled.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    // However the import ends, the rows read so far are shown and the view is fitted.
    struct Finish {
        TMainForm* form;
        ~Finish() {
            form->NiceGrid1->EndUpdate();
            form->NCAD1->ZoomExtents();
        }
    } finish{this};
    NiceGrid1->BeginUpdate();
    TGridRowSink sink(*NiceGrid1);
    ::ImportPointLines(lines, *Project, &sink, &progress);
}
