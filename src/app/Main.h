#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

enum class TAxisOrder;
class QAction;
class QComboBox;
class QFileDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class TCheckList;
class TCogoForm;
class TComPort;
class TCrsCombo;
class TCustomComPort;
class TDataRecvForm;
class TDataSendForm;
class TMeasurePanel;
class TNCAD;
class TNCADProject;
class TNiceGrid;
class QUndoStack;
class TFindForm;
class TPoint3D;
class TPointLines;
class TTraverseForm;
struct TSurveyPoint;
struct TFormatChoice;
struct TJobParts;
struct TJobSize;

// The main window: every function of the program is reached from here. Components are
// public members named as in the window's layout, as tests and the other windows use them.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // True when the job changed (points added, edited, deleted, received or imported) since
    // it was opened from a file or last saved, and undo has not taken it back there; closing
    // then asks first.
    bool JobChanged() const;

    // Today's date in the short regional form followed by the completion text.
    static QString CompletionLine();
    void AddCompletionLine();

    // Appends the points of `lines` to the table and the project, then fits the view, also
    // when a faulty line stops the import (its error then goes up to the caller, naming the
    // line and `source`, the file the lines came from). An empty line that left lines unread
    // is said in MsgStr. With `refuseEmpty`, lines without a point throw, saying so, and
    // nothing is logged. True when every line was read. What it added is one undo step.
    bool ImportPointLines(const TPointLines& lines, const QString& source = {},
                          bool refuseEmpty = false);
    // Every way in: the points of `lines` in the format `forced` names, else in the
    // instrument format whose signature they carry, else as point lines (ImportPointLines).
    // Instrument data brings every point it can; records left out are then told in one box
    // and notes (a local origin, a unit taken) go to MsgStr. With `refuseEmpty` (a file),
    // a read that finds no point adds and logs nothing and throws "no records found as ...".
    // True when the lines were point lines and all were read: saving gives them back.
    bool ImportJobData(const TPointLines& lines, const QString& source,
                       const TFormatChoice* forced = nullptr, bool refuseEmpty = false);

    // The one project; owned by the view's project manager.
    TNCADProject* Project = nullptr;

    QWidget* CoolBar1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolButton* btnComportOpen = nullptr;
    QToolButton* btnComportClose = nullptr;
    QToolButton* btnComPortSetting = nullptr;
    QToolButton* btnUpload = nullptr;
    QToolButton* btnImportTXT = nullptr;
    QToolButton* btnExportTXT = nullptr;
    QToolButton* btnGridAddPoint = nullptr;
    QToolButton* btnGridDelPoint = nullptr;
    QToolButton* btnFix = nullptr;
    QToolButton* btnZoomIn = nullptr;
    QToolButton* btnZoomOut = nullptr;
    QToolButton* btnAddPoint = nullptr;
    QToolButton* btnDXFExport = nullptr;
    QToolButton* btnExcelExport = nullptr;

    QMenu* menuMain = nullptr;
    QMenu* Import1 = nullptr;
    QMenu* Export = nullptr;
    QMenu* N1 = nullptr;
    QMenu* CAD1 = nullptr;
    QAction* XT1 = nullptr;
    QAction* Excel1 = nullptr;
    QAction* DXF1 = nullptr;
    QAction* N10 = nullptr; // "도면 출력…"
    QAction* N9 = nullptr;
    QAction* PC1 = nullptr;
    QAction* PC2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QAction* N6 = nullptr;
    QAction* N7 = nullptr;
    QAction* N8 = nullptr;
    // The printed sheets in the menu "측량 계산(&S)", object name menuSurvey (MainReports.cpp).
    QAction* actPointReport = nullptr; // "좌표 성과표…"
    QAction* actAreaReport = nullptr;  // "좌표 면적 계산부…"
    QAction* actTraverseReport = nullptr; // "트래버스 계산부…"

    TNiceGrid* NiceGrid1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* Panel1 = nullptr;
    QWidget* Panel10 = nullptr;
    QLabel* Label1 = nullptr;
    TCheckList* LayerListBox = nullptr;
    TNCAD* NCAD1 = nullptr;
    QWidget* Panel2 = nullptr;
    QPlainTextEdit* MsgStr = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    // Beside the status bar's two panels: the measure of the selected row's code group.
    TMeasurePanel* MeasurePanel = nullptr;

    // --- the table and the view as one, find, pointer position (MainSelect.cpp)
    QAction* EditFind = nullptr;     // "찾기..." Ctrl+F
    QAction* EditFindNext = nullptr; // "다음 찾기" F3
    QAction* EditDelete = nullptr;   // "측점 삭제" Delete: the delete button's command
    TFindForm* FindForm = nullptr;   // made at the first 찾기
    // Status bar: the world X and Y under the pointer; in the add mode what a click adds.
    QLabel* CursorPanel = nullptr;
    // Selects the next row, after the selected one and round to the first, whose ID or code
    // holds `text` (ASCII letters in either case; all of it with `whole`). Returns what the
    // find window says: empty when found straight, else wrapped or not found.
    QString FindRow(const QString& text, bool whole);

    // --- keys, help and the recent files (MainHelp.cpp, MainOpen.cpp)
    QMenu* HelpMenu = nullptr;
    QAction* HelpManual = nullptr; // "사용 설명서" F1
    QAction* HelpAbout = nullptr;  // "정보"
    QMenu* RecentMenu = nullptr;   // "최근 파일"
    // The user guide the program opens: README.md beside the program, in its installed
    // documents folder, or in the source tree it was built from; empty when none is there.
    static QString ManualPath();
    // The files opened last, newest first, at most 8.
    static QStringList RecentFiles();
    // Opens a file as the import command does: here when this window holds no job, else in
    // a second window; remembered among the recent files.
    void OpenJobFile(const QString& path, const QStringList& options = {});
    // Keeps the whole window on its screen (a small screen, a large scale factor); a second
    // run, given "--near X,Y" by the window that started it, stands offset from that one.
    void PlaceWindow(const QStringList& arguments);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBars();
    void CreateBody();
    void FormCreate();
    void FormShow();

    // Connects a tool button to its handler (guarded, so that errors reach the error box)
    // and enables it; buttons without a handler stay disabled.
    void ConnectCommand(QToolButton* button, void (TMainForm::*handler)());
    // A menu item that duplicates a tool button triggers that button.
    void LinkMenu(QAction* item, QToolButton* button);
    void SyncMenuStates();

    // Each subsystem wires its own commands (MainView.cpp, MainTable.cpp, MainComm.cpp,
    // MainExport.cpp, MainReports.cpp).
    void WireViewCommands();
    void WirePictureProgress();
    void WireTableCommands();
    void WireCommCommands();
    void WireExportCommands();
    void WireReportCommands();
    void WireSurveyCommands();
    void WireCoordCommands();

    void N9Click();

    // --- view commands (MainView.cpp)
    void btnFixClick();
    void btnZoomInClick();
    void btnZoomOutClick();
    // Arms the view: its next left press makes a point there (OnAddedPoint).
    void btnAddPointClick();
    void LayerListBoxClick();
    void NCAD1MouseUp(Qt::MouseButton button);
    void NCAD1MouseWheel(int delta);

    // --- table and file commands (MainTable.cpp)
public:
    // The import at first show: the file named by the first command-line argument, if any,
    // with the import options that follow it (a second run passes them on).
    void CommandLineImport();
    // Reads a point or instrument file into table and project, repaints the view and logs
    // the completion line. A faulty point line leaves the rows before it and skips the
    // completion line. `options`, as a second run gets them on its command line:
    // "--from NAME" reads the file in that format (a chosen column order); "--whole-lines"
    // leaves out a last line without its line end (a receive cut short) and
    // says so instead of logging the completion line.
    void ImportFile(const QString& path, const QStringList& options = {});

    // The file the job was read from or saved to, for the title of a plot; empty when it was
    // neither. temp.dat counts here, though it is not the job's own file (JobPath).
    QString JobFile;

    // Made when the import command first needs it.
    QFileDialog* OpenDialog1 = nullptr;
    // Tests answer the open dialog here instead of showing it: the chosen path, empty for
    // Cancel.
    std::function<QString(QFileDialog&)> OpenDialogHook;
    // Stands in for the save dialog's exec() the same way (SaveJobAs); empty cancels.
    std::function<QString(QFileDialog&)> SaveDialogHook;
    // Starts a second run of the program on a file, to be read with the ImportFile options
    // `options` (tests replace it).
    std::function<void(const QString& path, const QStringList& options)> SecondRunStarter;

private:
    void importInstrumentData(const TPointLines& lines, const TFormatChoice& choice,
                              const QString& source, bool refuseEmpty);
    void btnImportTXTClick();
    void btnExportTXTClick();
    void btnGridAddPointClick();
    void btnGridDelPointClick();
    void NiceGrid1Click();
    void NiceGrid1DblClick();
    void NCAD1AddedPoint(double dx, double dy);

    // --- communication (MainComm.cpp)
public:
    // The serial port to the instrument, with its fixed start values.
    TComPort* ComPort = nullptr;
    // The receive and upload windows; made by the creation handler, freed with this window.
    TDataRecvForm* ReceiveWindow = nullptr;
    TDataSendForm* UploadWindow = nullptr;

private:
    void CreateComPort();
    // Runs `apply`, which shows the user's choice of line settings and returns true when the
    // user confirmed it, and keeps the confirmed settings for the next start.
    void ConfirmPortSettings(const std::function<bool()>& apply);
    void CreateCommWindows();
    void DestroyCommWindows();
    void btnComPortSettingClick();
    // Receive: opens the port, shows the receive window, applies its settings after OK.
    void btnComportOpenClick();
    void btnComportCloseClick();
    // What MsgStr says after a receive that did not simply complete (the line hung up, the
    // receive ended before the transfer, temp.dat could not be written): where the bytes
    // are and what happened. Empty when there is nothing to say.
    QString ReceiveNote() const;
    // Copies the point table into the upload window and shows it.
    void btnUploadClick();
    void NCAD1SendAddedPoint(double dx, double dy);

    // --- exports (MainExport.cpp)
    void btnDXFExportClick();
    // Copies the point table into a new LibreOffice Calc sheet through the helper program;
    // the window stays live while it runs and the button is off until it ends.
    void btnExcelExportClick();
    void ExcelExportFinished();
    // The plan to scale: print, preview or PDF, with the view's visible layers.
    void N10Click();
    class TSpreadsheetExport* m_excelExport = nullptr;

    // --- MainSelect.cpp
    void WireSelection();
    void SyncSelectionMark();
    void FollowSelection();
    void NCAD1PointPicked(const TPoint3D* point);
    void NCAD1PointerMove(double x, double y);
    void NiceGrid1ContextMenu(const QPoint& pos);
    void NCAD1ContextMenu(const QPoint& pos);
    void EditFindClick();
    void EditFindNextClick();

    // --- MainHelp.cpp, MainOpen.cpp
    void WireKeysAndHelp();
    void HelpManualClick();
    void HelpAboutClick();
    void WireOpen();
    void RememberFile(const QString& path);
    void FillRecentMenu();

    QString m_findText; // what 다음 찾기 looks for
    bool m_findWhole = false;

public:
    // --- survey computations (MainSurvey.cpp); the windows are made at their first use.
    QAction* TraverseItem = nullptr; // "트래버스 계산…"
    QAction* CogoItem = nullptr;     // "좌표 계산…"
    TTraverseForm* TraverseWindow = nullptr;
    TCogoForm* CogoWindow = nullptr;
    // Moves the job's points to where `points` put them (the k-th point of an id in
    // `points` moves the k-th row of that id) and appends those the job lacks, as one undo
    // step named `step`. Every row of an id in `stations` goes to that id's one place: a
    // station observed several times is one point.
    void ApplySurveyPoints(const QString& step, const std::vector<TSurveyPoint>& points,
                           const std::vector<std::string>& stations = {});

private:
    // --- coordinates (MainCoords.cpp)
public:
    // What the job's X holds and the job's reference system, kept between runs like the port
    // settings. They decide drawings, plots, CAD and GIS files and what instrument data puts
    // into X; the table and point files keep X and Y as they are.
    TAxisOrder JobAxes() const;
    void SetJobAxes(TAxisOrder axes);
    int JobCrs() const { return m_jobCrs; }
    // Throws ECrsError, keeping the system it had, for a code PROJ cannot use.
    void SetJobCrs(int epsg);
    // Moves the points of the whole job by `change` (which changes all or nothing) as one
    // undo step named `name`, shows the new X and Y in the table and fits the view. A
    // `newCrs` becomes the job's system with the step, and undo gives the old one back.
    void ApplyJobCoordinates(const QString& name, const std::function<void(TNCADProject&)>& change,
                             int newCrs = 0);

    QComboBox* AxisCombo = nullptr; // "좌표축:" X=동(E), X=북(N)
    TCrsCombo* CrsCombo = nullptr;  // "좌표계:"
    QMenu* Coord1 = nullptr;
    QAction* CrsTransform1 = nullptr;  // "좌표 변환…"
    QAction* CommonPoints1 = nullptr;  // "공통점 변환…"
    QAction* GIS1 = nullptr;           // 파일 -> Export: "GIS 파일로 저장하기…"
    // Tests answer the GIS save dialog here: the path (empty for Cancel).
    std::function<QString()> GisDialogHook;

private:
    void CrsComboChosen();
    void CrsTransform1Click();
    void CommonPoints1Click();
    void GIS1Click();
    int m_jobCrs = 5186;

    std::vector<std::pair<QAction*, QToolButton*>> m_menuLinks;
    bool m_shown = false;

    // --- saving the job and closing (MainFile.cpp)
public:
    QAction* FileSaveItem = nullptr;   // "저장", Ctrl+S
    QAction* FileSaveAsItem = nullptr; // "다른 이름으로 저장...", Ctrl+Shift+S
    // The status bar's panel with the job's file name, marked while it has unsaved changes.
    QLabel* JobPanel = nullptr;

    // The job's own file: the point file it was opened from (read whole) or last saved to;
    // empty for a received or new job.
    const QString& JobPath() const { return m_jobPath; }
    // Saves to JobPath(), or through SaveJobAs() when there is none. False when nothing was
    // written (the dialog cancelled, nothing to save); a failed write throws.
    bool SaveJob();
    // Asks for a file in a save dialog in the job's folder; asks before replacing another
    // file. False when cancelled.
    bool SaveJobAs();

private:
    void WireFileCommands();
    // What closing does to unsaved changes: 저장 / 저장 안 함 / 취소. True to close.
    bool CanClose();
    void WriteJob(const QString& path);
    // The job now equals the file `path` (or, empty, equals what it was opened from without
    // being that file's job).
    void OpenedJob(const QString& path);
    void SavedJob(const QString& path);
    void UpdateJobPanel();
    QString m_jobPath;

    // --- undo and redo (MainEdit.cpp)
public:
    // Every change of the job is a step here; its clean state is the saved job.
    QUndoStack* UndoStack = nullptr;
    QMenu* EditMenu = nullptr;
    QAction* UndoItem = nullptr; // "실행 취소: <step>", Ctrl+Z
    QAction* RedoItem = nullptr; // "다시 실행: <step>", Ctrl+Y and Ctrl+Shift+Z

private:
    void WireEditCommands();
    void DestroyEditCommands();
    TJobParts JobParts();
    // One import, one step: measures the job when made and pushes what the import added
    // (also when a faulty line stopped it) when it goes.
    class TImportRecord {
    public:
        TImportRecord(TMainForm& form, const QString& source);
        ~TImportRecord();
        TImportRecord(const TImportRecord&) = delete;
        TImportRecord& operator=(const TImportRecord&) = delete;
        // The user stopped the import: what it added goes again at once, and no step is left.
        void Discard();

    private:
        TMainForm& m_form;
        QString m_source;
        std::unique_ptr<TJobSize> m_before;
        bool m_discard = false;
    };
};
