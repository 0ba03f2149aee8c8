#include "report/forms/ReportForm.h"

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

#include <cmath>
#include <stdexcept>

namespace {

QPushButton* addButton(QHBoxLayout* row, QWidget* parent, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

TReportForm::TReportForm(QWidget* owner, TReport report, QString jobPath)
    : QDialog(owner), m_report(std::move(report)), m_jobPath(std::move(jobPath)) {
    Build(m_report->Name());
    ShowState({});
}

TReportForm::TReportForm(QWidget* owner, const QString& name, const std::vector<std::string>& codes,
                         int current, Maker make, QString jobPath)
    : QDialog(owner), m_make(std::move(make)), m_jobPath(std::move(jobPath)) {
    cmbCode = new QComboBox(this);
    for (const std::string& code : codes)
        cmbCode->addItem(code.empty() ? QString("(코드 없음)") : QString::fromStdString(code),
                         QString::fromStdString(code));
    cmbCode->setCurrentIndex(current);
    Build(name);
    connect(cmbCode, &QComboBox::currentIndexChanged, this, [this] { RunGuarded([&] { CodeChanged(); }); });
    CodeChanged();
}

void TReportForm::Build(const QString& name) {
    setWindowTitle(name);
    setFont(QFont(Fonts::kUiFamily, 8));
    lblState = new QLabel(this);
    lblState->setWordWrap(true);
    lblState->setMinimumWidth(360);

    auto* buttons = new QHBoxLayout;
    btnPrint = addButton(buttons, this, "인쇄…");
    btnPreview = addButton(buttons, this, "미리 보기…");
    btnPdf = addButton(buttons, this, "PDF로 저장…");
    buttons->addStretch();
    btnClose = addButton(buttons, this, "닫기");
    btnPdf->setDefault(true);

    auto* page = new QVBoxLayout(this);
    if (cmbCode) {
        auto* fields = new QFormLayout;
        fields->addRow("코드 :", cmbCode);
        page->addLayout(fields);
    }
    page->addWidget(lblState);
    page->addSpacing(6);
    page->addLayout(buttons);

    connect(btnPrint, &QPushButton::clicked, this, [this] { RunGuarded([&] { btnPrintClick(); }); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { RunGuarded([&] { btnPreviewClick(); }); });
    connect(btnPdf, &QPushButton::clicked, this, [this] { RunGuarded([&] { btnPdfClick(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

void TReportForm::CodeChanged() {
    m_report.reset();
    if (cmbCode->currentIndex() < 0)
        return ShowState("측점이 셋 이상인 코드가 없습니다.");
    try {
        m_report = m_make(cmbCode->currentData().toString().toStdString());
    } catch (const std::runtime_error& e) {
        return ShowState(QString::fromStdString(e.what()));
    }
    ShowState({});
}

void TReportForm::ShowState(const QString& problem) {
    const bool ready = problem.isEmpty() && m_report;
    lblState->setText(ready ? QString("%1: A4 %2쪽").arg(m_report->Name()).arg(m_report->PageCount()) : problem);
    lblState->setStyleSheet(ready ? QString() : QString("color: #c00000;"));
    for (QPushButton* b : {btnPrint, btnPreview, btnPdf})
        b->setEnabled(ready);
}

void TReportForm::PreparePrinter(QPrinter& printer) const {
    // A4 as promised, whatever the printer's own dialogs set; full page, so that the
    // origin is the paper's corner.
    printer.setFullPage(true);
    TReport::SetUpPage(printer);
    const QSizeF paper = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
    if (std::abs(paper.width() - 210) > 1 || std::abs(paper.height() - 297) > 1)
        throw std::runtime_error("이 프린터에서는 A4 세로 용지에 인쇄할 수 없습니다.");
    printer.setDocName(m_report->Name());
}

void TReportForm::PrintOn(QPrinter& printer, int first, int last) const {
    PreparePrinter(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        throw std::runtime_error("인쇄를 시작할 수 없습니다.");
    m_report->Print(painter, printer, first, last);
    painter.end();
}

void TReportForm::btnPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    printer.setFromTo(1, m_report->PageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(m_report->Name() + " 인쇄");
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Pages from 1; 0 when the user chose all of them.
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    PrintOn(printer, range ? printer.fromPage() - 1 : 0,
            range ? printer.toPage() - 1 : m_report->PageCount() - 1);
    accept();
}

void TReportForm::btnPreviewClick() {
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(m_report->Name() + " 미리 보기");
    preview.resize(900, 700);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* p) { RunGuarded([&] { PrintOn(*p, 0, m_report->PageCount() - 1); }); });
    preview.exec();
}

QString TReportForm::DefaultPdfPath() const {
    const QString name = QString(m_report->Name()).remove(' ');
    if (m_jobPath.isEmpty())
        return QDir::home().filePath(name + ".pdf");
    const QFileInfo job(m_jobPath);
    return job.absoluteDir().filePath(job.completeBaseName() + "-" + name + ".pdf");
}

bool TReportForm::WritePdf(const QString& path) {
    TWorkProgress progress(this, "PDF를 만드는 중입니다...");
    // Nothing replaces the old file before the document is whole.
    TSafeFileWriter file(QFile::encodeName(path).toStdString());
    try {
        m_report->WritePdf([&](std::string_view bytes) { file.Write(bytes); },
                           [&](int done, int total) { progress.Step(static_cast<size_t>(done), static_cast<size_t>(total)); });
    } catch (const EWorkCancelled&) {
        return false;
    }
    file.Commit();
    return true;
}

void TReportForm::btnPdfClick() {
    if (Dialogs::SavePdf(this, DefaultPdfPath(), [this](const QString& path) { return WritePdf(path); }))
        accept();
}
