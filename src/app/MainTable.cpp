#include "app/Main.h"

#include "app/DataEdit.h"
#include "app/DataNew.h"
#include "app/GridRowSink.h"
#include "app/JobCommands.h"
#include "app/SecondRun.h"
#include "comm/RecvFiles.h"
#include "formats/InstrumentFormat.h"
#include "io/InstrumentImport.h"
#include "io/PointImport.h"
#include "io/forms/FileSave.h"
#include "model/NCADProject.h"
#include "text/NumText.h"
#include "toolkit/Application.h"
#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"
#include "toolkit/WorkProgress.h"
#include "view/NCAD.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QToolButton>
#include <QTreeView>
#include <QUndoStack>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>

namespace {
// Imports smaller than this finish before a progress window would be worth showing.
constexpr size_t kProgressFromBytes = 4 * 1024 * 1024;

// Table columns.
enum { kColID, kColX, kColY, kColZ, kColCode };
} // namespace

void TMainForm::WireTableCommands() {
    SecondRunStarter = StartSecondRun;
    ConnectCommand(btnImportTXT, &TMainForm::btnImportTXTClick);
    ConnectCommand(btnExportTXT, &TMainForm::btnExportTXTClick);
    ConnectCommand(btnGridAddPoint, &TMainForm::btnGridAddPointClick);
    ConnectCommand(btnGridDelPoint, &TMainForm::btnGridDelPointClick);
    connect(NiceGrid1, &TNiceGrid::Click, this, [this] { RunGuarded([this] { NiceGrid1Click(); }); });
    connect(NiceGrid1, &TNiceGrid::DblClick, this,
            [this] { RunGuarded([this] { NiceGrid1DblClick(); }); });
    // Keyboard habits of a list: Enter edits the selected row's point (Delete, which
    // removes it, is the window's key).
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* editKey = new QShortcut(key, NiceGrid1, nullptr, nullptr, Qt::WidgetShortcut);
        connect(editKey, &QShortcut::activated, this,
                [this] { RunGuarded([this] { NiceGrid1DblClick(); }); });
    }
    // The view runs its event handlers guarded itself.
    NCAD1->OnAddedPoint = [this](double dx, double dy) { NCAD1AddedPoint(dx, dy); };
}

namespace {
// "the file's line N", for messages.
QString lineOf(const QString& source, int line) {
    return source.isEmpty() ? QString::fromUtf8("%1번째 줄").arg(line)
                            : QString::fromUtf8("\"%1\" 파일의 %2번째 줄").arg(source).arg(line);
}

// A message of an instrument reader about one line, or the whole file for line 0, in the
// user's language: the readers speak English, their forms are the keys of a catalog.
QString messageOf(const QString& source, const TLineMessage& message) {
    const QString text = Catalog::Render(kFormatsTextDomain, message.Message);
    if (message.Line > 0)
        return lineOf(source, message.Line) + ": " + text;
    return source.isEmpty() ? text : QString::fromUtf8("\"%1\" 파일: %2").arg(source, text);
}

// The progress window of an import: shown at once for a big file, with Cancel while the
// points come in; its modality keeps the user's hands off the half-filled table while the
// windows go on painting. Once the points are in, the table and the view take them, which
// cannot be stopped: the window says so and drops Cancel.
class TImportWindow {
public:
    TImportWindow(QWidget* owner, size_t bytes) : m_owner(owner), m_big(bytes >= kProgressFromBytes) {
        m_progress.LinesBetweenReports = 20000;
        m_progress.Report = [this](size_t done, size_t total) {
            if (!m_big)
                return;
            if (!m_window)
                m_window =
                    std::make_unique<TWorkProgress>(m_owner, QString::fromUtf8("측점을 불러오는 중입니다..."), 0);
            m_window->Step(done, total);
        };
    }
    TImportWindow(const TImportWindow&) = delete;
    TImportWindow& operator=(const TImportWindow&) = delete;

    const TImportProgress* Progress() const { return &m_progress; }
    void Finishing() {
        if (m_window)
            m_window->Finishing(QString::fromUtf8("마무리하는 중입니다..."));
    }

private:
    QWidget* m_owner;
    bool m_big;
    TImportProgress m_progress;
    std::unique_ptr<TWorkProgress> m_window;
};

// However an import ends, the rows read so far are shown and the view is fitted; a
// cancelled one has taken its rows back already and leaves the view where it was.
class TImportBracket {
public:
    TImportBracket(TNiceGrid& grid, TNCAD& view, TImportWindow& window)
        : m_grid(grid), m_view(view), m_window(window) {
        m_grid.BeginUpdate();
    }
    ~TImportBracket() {
        if (!m_cancelled)
            m_window.Finishing();
        m_grid.EndUpdate();
        if (!m_cancelled)
            m_view.ZoomExtents();
    }
    TImportBracket(const TImportBracket&) = delete;
    TImportBracket& operator=(const TImportBracket&) = delete;

    void Cancelled() { m_cancelled = true; }

private:
    TNiceGrid& m_grid;
    TNCAD& m_view;
    TImportWindow& m_window;
    bool m_cancelled = false;
};

// How many messages of a kind the box lists before it only counts the rest.
constexpr size_t kMessagesShown = 5;

// The box names the file once, the lines by their number.
void appendMessages(QString& text, const std::vector<TLineMessage>& messages) {
    for (size_t i = 0; i < std::min(messages.size(), kMessagesShown); ++i)
        text += "\n" + messageOf(QString(), messages[i]);
    if (messages.size() > kMessagesShown)
        text += QString::fromUtf8("\n... 외 %1개").arg(messages.size() - kMessagesShown);
}

// The open dialog's entry for the instruments' own files, whose format is detected.
const char kInstrumentFilter[] = "측량기 파일 (*.gsi *.sdr *.raw *.rw5 *.are *.job)";
// Delimited coordinate files look like point lines, so their column order is chosen.
const char* const kChosenOrders[] = {"PNEZD", "PENZD"};

QString orderFilter(const char* order) {
    QString columns;
    for (const char* c = order; *c; ++c)
        columns += (columns.isEmpty() ? "" : ",") + QString(QChar(*c));
    return QString::fromUtf8("좌표 %1 (*.csv *.txt)").arg(columns);
}
} // namespace

namespace {
// A file read without a point: the box names the file, and the records left out if any.
[[noreturn]] void throwNoPoints(const QString& source, const TFormatChoice& choice,
                                const std::vector<TLineMessage>& leftOut = {}) {
    QString text = messageOf(source, {0, NoPointsMessage(choice, leftOut.size())});
    appendMessages(text, leftOut);
    throw std::runtime_error(text.toStdString());
}
} // namespace

bool TMainForm::ImportPointLines(const TPointLines& lines, const QString& source, bool refuseEmpty) {
    TImportWindow window(this, lines.Text().size());
    TImportRecord step(*this, source);
    TImportBracket bracket(*NiceGrid1, *NCAD1, window);
    TGridRowSink sink(*NiceGrid1);
    TDataEnd end;
    try {
        if (::ImportPointLines(lines, *Project, &sink, window.Progress(), &end) == 0 && refuseEmpty)
            throwNoPoints(source, TFormatChoice{});
    } catch (const EWorkCancelled&) {
        step.Discard();
        bracket.Cancelled();
        throw;
    } catch (const EPointLineError& e) {
        throw EPointLineError(e.what() + ("\n" + lineOf(source, e.Line())).toStdString(), e.Line());
    }
    // Instruments may end their data with an empty line, so the stop stays; but what was
    // not read is said.
    if (end.Line > 0)
        MsgStr->appendPlainText(QString::fromUtf8("%1이 비어 있어 데이터가 그 줄에서 끝났습니다. "
                                                  "그 뒤의 %2줄은 읽지 않았습니다.")
                                    .arg(lineOf(source, end.Line))
                                    .arg(end.Unread));
    return end.Line == 0;
}

bool TMainForm::ImportJobData(const TPointLines& lines, const QString& source,
                              const TFormatChoice* forced, bool refuseEmpty) {
    // Said before the import, so that it stands also when a line stops it.
    if (!lines.Mix().Empty()) {
        const TEncodingMix& mix = lines.Mix();
        const bool utf8 = mix.Listed == TLineEncoding::Utf8;
        MsgStr->appendPlainText(
            (source.isEmpty() ? QString::fromUtf8("데이터는") : QString::fromUtf8("\"%1\" 파일은").arg(source)) +
            QString::fromUtf8(" CP949 줄과 UTF-8 줄이 섞여 있어 줄마다 따로 읽었습니다. "
                              "%1로 읽은 줄(%2줄): %3. 나머지는 %4로 읽었습니다.")
                .arg(utf8 ? "UTF-8" : "CP949")
                .arg(mix.Count)
                .arg(QString::fromStdString(mix.LineList()))
                .arg(utf8 ? "CP949" : "UTF-8"));
    }
    const TFormatChoice choice =
        ChooseFormat(lines.Text(), forced ? std::optional<TFormatChoice>(*forced) : std::nullopt);
    if (choice.Format == TInstrumentFormat::PointLines)
        return ImportPointLines(lines, source, refuseEmpty);
    importInstrumentData(lines, choice, source, refuseEmpty);
    return false;
}

void TMainForm::importInstrumentData(const TPointLines& lines, const TFormatChoice& choice,
                                     const QString& source, bool refuseEmpty) {
    TInstrumentImport result;
    {
        TImportWindow window(this, lines.Text().size());
        TImportRecord step(*this, source);
        TImportBracket bracket(*NiceGrid1, *NCAD1, window);
        TGridRowSink sink(*NiceGrid1);
        try {
            result = ImportInstrumentData(lines.Text(), choice, *Project, &sink, NCAD1->AxisOrder(),
                                          window.Progress());
        } catch (const EWorkCancelled&) {
            step.Discard();
            bracket.Cancelled();
            throw;
        }
        if (result.Points == 0 && refuseEmpty)
            throwNoPoints(source, choice, result.Problems);
    }
    for (const TLineMessage& note : result.Notes)
        MsgStr->appendPlainText(messageOf(source, note));
    if (result.Problems.empty() && result.Warnings.empty() && result.Notes.empty())
        return;
    // Every point that could be read is in; one box says what was left out, which results
    // the data contradicts (a check shot that misses) and what was assumed (a local origin,
    // a unit), which the one-line message area would hide.
    QString text = source.isEmpty() ? QString() : QString::fromUtf8("\"%1\" 파일: ").arg(source);
    if (!result.Problems.empty()) {
        text += QString::fromUtf8("측량기 데이터의 기록 %1개를 불러오지 못했습니다. "
                                  "읽을 수 있는 측점 %2개는 불러왔습니다.\n")
                    .arg(result.Problems.size())
                    .arg(result.Points);
        appendMessages(text, result.Problems);
    }
    if (!result.Warnings.empty()) {
        if (!result.Problems.empty())
            text += "\n\n";
        text += QString::fromUtf8("경고 %1개: 불러온 측점은 그대로 두었지만 데이터가 결과와 "
                                  "어긋나는 곳이 있습니다. 좌표를 확인하십시오.\n")
                    .arg(result.Warnings.size());
        appendMessages(text, result.Warnings);
    }
    if (!result.Notes.empty()) {
        text += QString::fromUtf8(result.Problems.empty() && result.Warnings.empty() ? "참고:" : "\n\n참고:");
        appendMessages(text, result.Notes);
    }
    const bool warn = !result.Problems.empty() || !result.Warnings.empty();
    Dialogs::Show({QString(), text, warn ? Dialogs::Icon::Warning : Dialogs::Icon::Information,
                   Dialogs::Buttons::Ok});
}

// ---------------------------------------------------------------- point files

void TMainForm::CommandLineImport() {
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() <= 1 || arguments[1].isEmpty())
        return;
    ImportFile(arguments[1], arguments.mid(2));
    // A receive's buffer is no file of the user's.
    if (!RecvFiles::IsBufferFile(QFile::encodeName(arguments[1]).toStdString()))
        RememberFile(arguments[1]);
}

void TMainForm::ImportFile(const QString& path, const QStringList& options) {
    std::optional<TFormatChoice> format;
    bool wholeLines = false;
    for (int i = 0; i < options.size(); ++i) {
        if (options[i] == "--from" && i + 1 < options.size())
            format = FormatByName(options[++i].toStdString());
        else if (options[i] == "--whole-lines")
            wholeLines = true;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    TPointLines lines = TPointLines::LoadFile(file);
    const int cutLine = wholeLines ? lines.DropUnendedLastLine() : 0;
    // A file opened into an empty window is the job as saved, also when a faulty line stops
    // it: nothing is lost by closing. Not so temp.dat (a second run of a receive): the next
    // receive overwrites it.
    const bool opening =
        Project->Count() == 0 && NiceGrid1->RowCount() == 0 && !RecvFiles::IsBufferFile(file);
    // The fit that ends the import has painted the view already; a second paint of a big
    // job would cost as much again for the same picture.
    // An import that adds nothing (a file without a point) leaves the window as it was,
    // its file name included.
    const QString jobBefore = JobFile;
    const int rowsBefore = NiceGrid1->RowCount();
    const int stepBefore = UndoStack->index();
    JobFile = path;
    try {
        const bool whole = ImportJobData(lines, path, format ? &*format : nullptr, true);
        if (opening)
            OpenedJob(whole ? path : QString());
    } catch (const EWorkCancelled&) {
        JobFile = jobBefore;
        MsgStr->appendPlainText(QString::fromUtf8("불러오기를 취소했습니다: \"%1\"").arg(path));
        return;
    } catch (...) {
        if (NiceGrid1->RowCount() == rowsBefore)
            JobFile = jobBefore;
        // Partly read, it is not the file's job: saving must not cut the file short.
        if (opening && UndoStack->index() != stepBefore)
            OpenedJob(QString());
        throw;
    }
    if (cutLine > 0)
        MsgStr->appendPlainText(QString::fromUtf8("수신이 끝나기 전에 %1번째 줄이 잘렸습니다. "
                                                  "그 줄은 불러오지 않았습니다.")
                                    .arg(cutLine));
    else
        AddCompletionLine();
}

void TMainForm::btnImportTXTClick() {
    if (!OpenDialog1) {
        OpenDialog1 = new QFileDialog(this);
        OpenDialog1->setObjectName("OpenDialog1");
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
        OpenDialog1->setFileMode(QFileDialog::ExistingFile);
        // The entries read "TXT", "CSV", then the instrument files, the column orders that
        // only the user can tell, and every file (a job named without an extension); the
        // patterns stay out of the captions.
        OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
        QStringList filters{"TXT (*.txt)", "CSV (*.csv)", kInstrumentFilter};
        for (const char* order : kChosenOrders)
            filters << orderFilter(order);
        filters << QString::fromUtf8("모든 파일 (*)");
        OpenDialog1->setNameFilters(filters);
        // Qt's default sizes cut the size, type and date columns short.
        OpenDialog1->resize(760, 460);
        if (auto* files = OpenDialog1->findChild<QTreeView*>("treeView")) {
            QHeaderView* header = files->header();
            header->setStretchLastSection(false);
            header->setSectionResizeMode(0, QHeaderView::Stretch);
            const int widths[] = {0, 90, 110, 150};
            for (int column = 1; column < 4; ++column)
                header->resizeSection(column, widths[column]);
        }
    }
    QString path;
    if (OpenDialogHook)
        path = OpenDialogHook(*OpenDialog1);
    else if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty())
        path = OpenDialog1->selectedFiles().constFirst();
    if (path.isEmpty())
        return;
    // A column order is read as chosen; every other entry lets the data say what it is.
    std::optional<TFormatChoice> format;
    // With the patterns hidden the dialog may name the entry by its caption alone.
    const QString entry = OpenDialog1->selectedNameFilter();
    for (const char* order : kChosenOrders) {
        const QString filter = orderFilter(order);
        if (entry == filter || entry == filter.left(filter.lastIndexOf(" (")))
            format = FormatByName(order);
    }

    OpenJobFile(path, format ? QStringList{"--from", QString::fromStdString(FormatName(*format))}
                             : QStringList());
}

void TMainForm::btnExportTXTClick() {
    TFileSaveForm form(*Project, this);
    form.Execute();
    if (form.Saved())
        SavedJob(form.SavedPath());
}

// ---------------------------------------------------------------- table commands

void TMainForm::btnGridAddPointClick() {
    // The view is fitted however the dialog ends, also after a number error.
    struct FitAfter {
        TNCAD* view;
        ~FitAfter() { view->ZoomExtents(); }
    } fit{NCAD1};

    double x = 0, y = 0, z = 0;
    std::string id, code;
    TDataNewForm form(this);
    if (!form.ExecuteNew(x, y, z, id, code))
        return;
    UndoStack->push(MakeAddPoint(JobParts(), QString::fromUtf8("측점 추가"),
                                 std::make_unique<TPoint3D>(x, y, z, id), code)
                        .release());
}

void TMainForm::btnGridDelPointClick() {
    if (NiceGrid1->RowCount() == 0) {
        Dialogs::ShowMessage(QString::fromUtf8("삭제할 측점이 존재하지 않습니다."));
        return;
    }
    const int row = NiceGrid1->SelectedRow();
    if (row < 0) {
        Dialogs::ShowMessage(QString::fromUtf8("삭제할 측점을 표에서 선택해 주십시오."));
        return;
    }
    if (!Dialogs::Confirm(QString::fromUtf8("측점을 삭제하시겠습니까?")))
        return;

    UndoStack->push(MakeDeletePoint(JobParts(), row).release());
    NCAD1->Repaint();
}

void TMainForm::NiceGrid1Click() {
    const int row = NiceGrid1->SelectedRow();
    if (row < 0)
        return;
    const TEastNorth plan = ToEastNorth(StrToFloat(NiceGrid1->CellUtf8(kColX, row)),
                                        StrToFloat(NiceGrid1->CellUtf8(kColY, row)), NCAD1->AxisOrder());
    NCAD1->SetCenter(plan.E, plan.N);
    NCAD1->Repaint();
}

// Double-click always lands on a row; without a selected row (or a point for it) nothing
// happens.
void TMainForm::NiceGrid1DblClick() {
    const int row = NiceGrid1->SelectedRow();
    int itemIndex = -1, pointIndex = -1;
    if (row < 0 || !RowPoint(*NiceGrid1, *Project, row, TRowUse::Edit, itemIndex, pointIndex))
        return;
    const TNCADItem* item = Project->GetItem(itemIndex);
    const TPoint3D* point = item->GetPoint(pointIndex);

    struct RepaintAfter {
        TNCAD* view;
        ~RepaintAfter() { view->Repaint(); }
    } repaint{NCAD1};

    // Full precision from the point itself, not the four decimals of the cells.
    double x = point->X, y = point->Y, z = point->Z;
    std::string id(NiceGrid1->CellUtf8(kColID, row));
    std::string code = item->Code();
    TfrmDataEdit form;
    if (!form.EditValues(x, y, id, code, z))
        return;
    if (auto step = MakeEditPoint(JobParts(), row, itemIndex, pointIndex, x, y, z, id, code))
        UndoStack->push(step.release());
}

void TMainForm::NCAD1AddedPoint(double dx, double dy) {
    std::string id, code;
    TfrmDataEdit form;
    auto point = std::make_unique<TPoint3D>();
    point->SetXYZ(dx, dy, 0);
    // Cancel adds nothing and leaves the picture as it is.
    if (!form.EditPoint(*point, code, id))
        return;
    point->ID = id;
    UndoStack->push(MakeAddPoint(JobParts(), QString::fromUtf8("측점 추가"), std::move(point), code)
                        .release());
    NCAD1->Repaint();
}
