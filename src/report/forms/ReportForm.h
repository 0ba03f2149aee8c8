#pragma once

#include "report/Report.h"

#include <QDialog>
#include <QStringList>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;

// A report previewed, printed or saved as PDF, as the plan to scale is. With a list of
// code groups (the area sheet) it makes the report of the group chosen; a group that
// makes none leaves the buttons off and the dialog says why.
// Use: TReportForm form(owner, report, jobPath); form.exec();
class TReportForm : public QDialog {
    Q_OBJECT
public:
    // Makes the report of a group (code, UTF-8); throws std::runtime_error saying why not.
    using Maker = std::function<TReport(const std::string& code)>;

    // `jobPath` names the file the job was read from (empty when it was not).
    TReportForm(QWidget* owner, TReport report, QString jobPath);
    TReportForm(QWidget* owner, const QString& name, const std::vector<std::string>& codes, int current,
                Maker make, QString jobPath);

    QComboBox* cmbCode = nullptr; // only with a list of groups
    QLabel* lblState = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnPdf = nullptr;
    QPushButton* btnClose = nullptr;

    // The report the dialog shows; none when the chosen group makes none.
    const TReport* Report() const { return m_report ? &*m_report : nullptr; }

    void btnPrintClick();
    void btnPreviewClick();
    void btnPdfClick();
    // Writes the report as a PDF to `path` under a progress window; false, and the old
    // file kept, when the user cancelled. Throws what the writer throws.
    bool WritePdf(const QString& path);

private:
    void Build(const QString& name);
    void CodeChanged();
    void ShowState(const QString& problem);
    void PreparePrinter(QPrinter& printer) const;
    void PrintOn(QPrinter& printer, int first, int last) const;
    QString DefaultPdfPath() const;

    std::optional<TReport> m_report;
    Maker m_make;
    QString m_jobPath;
};
