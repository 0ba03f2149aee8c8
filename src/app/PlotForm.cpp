#include "app/PlotForm.h"

#include "io/SafeFile.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"
#include "toolkit/WorkProgress.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <stdexcept>

namespace {

QString sheetText(const PlotSheet& sheet) {
    return QString("%1 %2").arg(PaperName(sheet.Paper), sheet.Landscape ? "가로" : "세로");
}

QString extentText(const WorldBounds& b) {
    return QString("작업 범위 %1 × %2 m")
        .arg(QString::number(b.Width(), 'f', 1), QString::number(b.Height(), 'f', 1));
}

// The job that does not fit the sheet: what would.
QString misfitText(const PlotLayout& layout) {
    const QString text =
        extentText(layout.Bounds()) + QString("는 축척 1:%1에서 %2 용지에 들어가지 않습니다.\n")
                                          .arg(layout.Scale())
                                          .arg(sheetText(layout.Sheet()));
    if (const int fitting = ChooseScale(layout.Sheet(), layout.Bounds()))
        return text + QString("들어가는 축척: 1:%1").arg(fitting);
    const double needed = std::ceil(SmallestFittingScale(layout.Sheet(), layout.Bounds()));
    return text + QString("표준 축척으로는 들어가지 않습니다 (필요한 축척: 1:%1).")
                      .arg(QString::number(needed, 'f', 0));
}

QPushButton* addButton(QHBoxLayout* row, QWidget* parent, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

TPlotForm::TPlotForm(QWidget* owner, const TNCADProject& project, PlotPainter::Layers layers,
                     QString jobPath)
    : QDialog(owner), m_project(project), m_layers(layers), m_jobPath(std::move(jobPath)),
      m_bounds(BoundsOf(project)) {
    setWindowTitle("도면 출력");
    setFont(QFont(Fonts::kUiFamily, 8));

    cmbScale = new QComboBox(this);
    for (const int scale : kPlotScales)
        cmbScale->addItem(QString("1:%1").arg(scale), scale);
    cmbPaper = new QComboBox(this);
    cmbPaper->addItems({"A4", "A3"});
    cmbOrientation = new QComboBox(this);
    cmbOrientation->addItems({"세로", "가로"});
    lblFit = new QLabel(this);
    lblFit->setWordWrap(true);
    lblFit->setMinimumWidth(360);

    auto* fields = new QFormLayout;
    fields->addRow("축척 :", cmbScale);
    fields->addRow("용지 :", cmbPaper);
    fields->addRow("방향 :", cmbOrientation);

    auto* buttons = new QHBoxLayout;
    btnPrint = addButton(buttons, this, "인쇄…");
    btnPreview = addButton(buttons, this, "미리 보기…");
    btnPdf = addButton(buttons, this, "PDF로 저장…");
    buttons->addStretch();
    btnClose = addButton(buttons, this, "닫기");
    btnPdf->setDefault(true);

    auto* page = new QVBoxLayout(this);
    page->addLayout(fields);
    page->addWidget(lblFit);
    page->addSpacing(6);
    page->addLayout(buttons);

    connect(cmbScale, &QComboBox::activated, this, [this] { m_scaleChosen = true; });
    connect(cmbScale, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([&] { UpdateFit(); }); });
    for (QComboBox* sheet : {cmbPaper, cmbOrientation})
        connect(sheet, &QComboBox::currentIndexChanged, this,
                [this] { RunGuarded([&] { SheetChanged(); }); });
    connect(btnPrint, &QPushButton::clicked, this,
            [this] { RunGuarded([&] { btnPrintClick(); }); });
    connect(btnPreview, &QPushButton::clicked, this,
            [this] { RunGuarded([&] { btnPreviewClick(); }); });
    connect(btnPdf, &QPushButton::clicked, this, [this] { RunGuarded([&] { btnPdfClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
    SheetChanged();
}

PlotLayout TPlotForm::Layout() const {
    PlotSheet sheet;
    sheet.Paper = cmbPaper->currentIndex() == 1 ? PaperSize::A3 : PaperSize::A4;
    sheet.Landscape = cmbOrientation->currentIndex() == 1;
    return PlotLayout(sheet, cmbScale->currentData().toInt(), m_bounds);
}

void TPlotForm::SheetChanged() {
    if (!m_scaleChosen) {
        // The smallest scale offered when even that does not fit: the message then says so.
        const int scale = ChooseScale(Layout().Sheet(), m_bounds);
        const int index = scale ? cmbScale->findData(scale) : cmbScale->count() - 1;
        const QSignalBlocker quiet(cmbScale);
        cmbScale->setCurrentIndex(index);
    }
    UpdateFit();
}

void TPlotForm::UpdateFit() {
    const PlotLayout layout = Layout();
    const bool fits = layout.Fits();
    QString text;
    if (m_bounds.Empty)
        text = "측점이 없습니다: 틀과 표제란만 출력됩니다.";
    else if (fits)
        text = extentText(m_bounds) + QString(": 축척 1:%1에서 %2 용지에 들어갑니다.")
                                          .arg(layout.Scale())
                                          .arg(sheetText(layout.Sheet()));
    else
        text = misfitText(layout);
    lblFit->setText(text);
    lblFit->setStyleSheet(fits ? QString() : QString("color: #c00000;"));
    for (QPushButton* b : {btnPrint, btnPreview, btnPdf})
        b->setEnabled(fits);
}

PlotPainter TPlotForm::Painter() const {
    return PlotPainter(m_project, Layout(), m_layers, PlotTitle::ForJob(m_jobPath));
}

void TPlotForm::PreparePrinter(QPrinter& printer) const {
    // The sheet is chosen here; whatever the printer's own dialogs set is put back, so that
    // what comes out is what this dialog promised. Full page: the origin is the paper's
    // corner, the frame keeps clear of the printer's margins.
    printer.setFullPage(true);
    const PlotSheet sheet = Layout().Sheet();
    PlotPainter::SetUpPage(printer, sheet);
    const QSizeF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (std::abs(paper.width() - sheet.Width()) > 1 ||
        std::abs(paper.height() - sheet.Height()) > 1)
        throw std::runtime_error(QString("이 프린터에서는 %1 용지에 인쇄할 수 없습니다.")
                                     .arg(sheetText(sheet))
                                     .toStdString());
    printer.setDocName(QFileInfo(m_jobPath).fileName());
}

void TPlotForm::PrintOn(QPrinter& printer) const {
    PreparePrinter(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("인쇄를 시작할 수 없습니다.");
    Painter().Paint(painter);
    painter.end();
}

void TPlotForm::btnPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("도면 인쇄");
    if (dialog.exec() != QDialog::Accepted)
        return;
    PrintOn(printer);
    accept();
}

void TPlotForm::btnPreviewClick() {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle("도면 미리 보기");
    preview.resize(900, 700);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { RunGuarded([&] { PrintOn(*p); }); });
    preview.exec();
}

QString TPlotForm::DefaultPdfPath() const {
    if (m_jobPath.isEmpty())
        return QDir::home().filePath("도면.pdf");
    const QFileInfo job(m_jobPath);
    return job.absoluteDir().filePath(job.completeBaseName() + ".pdf");
}

// A big job takes seconds, a good part of them in finishing the document, which tells no
// progress: so the document is made on a thread of its own while this one keeps the windows
// painting. The project cannot change meanwhile, since the progress window blocks every
// command. Nothing is written before the document is whole, so Cancel leaves a file already
// there as it was.
bool TPlotForm::WritePdf(const QString& path) {
    struct Shared {
        std::atomic<size_t> done{0};
        std::atomic<size_t> total{1};
        std::atomic<bool> shown{false};
        std::atomic<bool> stop{false};
    } shared;
    PlotPainter painter = Painter();
    painter.SetProgress([&shared](size_t done, size_t total) {
        shared.total = total;
        shared.done = done;
        // The points are not past before the window has had one look, so that a Cancel
        // pressed at once always comes in time.
        if (done == total)
            shared.shown.wait(false);
        return !shared.stop;
    });
    const auto shown = [&shared] {
        shared.shown = true;
        shared.shown.notify_all();
    };
    TWorkProgress progress(this, "PDF를 만드는 중입니다...");
    // The document streams into the safe writer; the old file is replaced only once it is
    // whole and the user did not cancel.
    auto job = std::async(std::launch::async, [&painter, &shared, target = QFile::encodeName(path).toStdString()] {
        TSafeFileWriter file(target);
        painter.WritePdf([&](std::string_view bytes) { file.Write(bytes); });
        if (!shared.stop)
            file.Commit();
    });
    // However this ends, the painting is let go before `job` waits for it.
    struct Release {
        Shared& shared;
        ~Release() {
            shared.stop = true;
            shared.shown = true;
            shared.shown.notify_all();
        }
    } release{shared};
    try {
        do {
            if (shared.done < shared.total)
                progress.Step(shared.done, shared.total);
            else
                progress.Finishing("PDF 파일을 쓰는 중입니다...");
            shown();
        } while (job.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready);
    } catch (const EWorkCancelled&) {
        // The document of the points so far is finished and thrown away.
        shared.stop = true;
        shown();
        while (job.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            progress.Finishing("PDF 만들기를 멈추는 중입니다...");
        job.get();
        return false;
    }
    job.get();
    return true;
}

void TPlotForm::btnPdfClick() {
    if (Dialogs::SavePdf(this, DefaultPdfPath(), [this](const QString& path) { return WritePdf(path); }))
        accept();
}
