#pragma once

#include "view/PlotPainter.h"

#include <QByteArray>
#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class TNCADProject;

// "도면 출력": the plan to scale on A4 or A3, printed, previewed or written as a PDF. The
// scale starts at the largest standard scale at which the job fits the sheet and follows
// paper and orientation until the user picks one. A job that does not fit is not put out:
// the dialog says so and which scale would fit. Use: TPlotForm form(owner, ...); form.exec();
class TPlotForm : public QDialog {
    Q_OBJECT
public:
    // `jobPath` names the file the job was read from (empty when it was not).
    TPlotForm(QWidget* owner, const TNCADProject& project, PlotPainter::Layers layers,
              QString jobPath);

    QComboBox* cmbScale = nullptr;
    QComboBox* cmbPaper = nullptr;
    QComboBox* cmbOrientation = nullptr;
    QLabel* lblFit = nullptr;
    QPushButton* btnPrint = nullptr;
    QPushButton* btnPreview = nullptr;
    QPushButton* btnPdf = nullptr;
    QPushButton* btnClose = nullptr;

    // The sheet and scale the fields hold now.
    PlotLayout Layout() const;

    void btnPrintClick();
    void btnPreviewClick();
    void btnPdfClick();
    // Writes the sheet as a PDF to `path` under a progress window; false, and the old file
    // kept, when the user cancelled. Throws what the writer throws.
    bool WritePdf(const QString& path);

private:
    void SheetChanged();
    void UpdateFit();
    QString DefaultPdfPath() const;
    PlotPainter Painter() const;
    void PreparePrinter(QPrinter& printer) const;
    void PrintOn(QPrinter& printer) const;

    const TNCADProject& m_project;
    PlotPainter::Layers m_layers;
    QString m_jobPath;
    WorldBounds m_bounds;
    bool m_scaleChosen = false; // the user picked a scale: it stays when the sheet changes
};
