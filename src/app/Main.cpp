#include "app/Main.h"

#include "app/Icons.h"
#include "app/MeasurePanel.h"
#include "model/NCADProject.h"
#include "model/ProjectManager.h"
#include "toolkit/Application.h"
#include "toolkit/CheckList.h"
#include "toolkit/NiceGrid.h"
#include "view/NCAD.h"

#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Client area of the window at its start size, pixels.
constexpr int kClientWidth = 1151;
constexpr int kClientHeight = 654;

const char* const kLayerCaptions[] = {"레이어-1 : 점", "레이어-2 : 측정 번호", "레이어-3 : 코드",
                                      "레이어-4 : Z좌표", "레이어-5 : 선"};

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle("Main");
    CreateMenus();
    CreateToolBars();
    CreateBody();

    WireViewCommands();
    WirePictureProgress();
    WireTableCommands();
    WireCommCommands();
    WireExportCommands();
    WireEditCommands();
    WireFileCommands();
    WireReportCommands();
    WireSelection();
    WireSurveyCommands();
    WireCoordCommands();
    WireKeysAndHelp(); // 도움말 last on the menu bar
    WireOpen();
    connect(N9, &QAction::triggered, this, [this] { RunGuarded([this] { N9Click(); }); });

    FormCreate();
    SyncMenuStates();

    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    PlaceWindow(QCoreApplication::arguments());
}

TMainForm::~TMainForm() {
    DestroyEditCommands();
    DestroyCommWindows();
}

void TMainForm::CreateMenus() {
    QMenuBar* bar = menuBar();
    menuMain = bar->addMenu("파일");
    Import1 = menuMain->addMenu("Import");
    XT1 = Import1->addAction("TXT 불러오기");
    Export = menuMain->addMenu("Export");
    Excel1 = Export->addAction("Excel로 저장하기");
    DXF1 = Export->addAction("DXF로 저장하기");
    N10 = menuMain->addAction("도면 출력…");
    N9 = menuMain->addAction("종료");

    N1 = bar->addMenu("통신");
    PC1 = N1->addAction("측량기->PC");
    PC2 = N1->addAction("PC->측량기");
    N1->addSeparator();
    N3 = N1->addAction("통신설정");
    N4 = N1->addAction("통신종료");

    CAD1 = bar->addMenu("CAD기능");
    N5 = CAD1->addAction("화면에 맞게 확장하기");
    N6 = CAD1->addAction("줌인 하기");
    N7 = CAD1->addAction("줌아웃 하기");
    N8 = CAD1->addAction("유저 포인트를 추가");
}

void TMainForm::CreateToolBars() {
    const std::vector<QIcon> images = MakeImageList1();
    auto makeButton = [&](QToolBar* bar, const char* name, int image, const char* hint,
                          bool hand) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setIcon(images[static_cast<size_t>(image)]);
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(25, 25);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromUtf8(hint));
        if (hand)
            b->setCursor(Qt::PointingHandCursor);
        b->setEnabled(false); // until a handler is connected
        bar->addWidget(b);
        return b;
    };

    CoolBar1 = new QWidget(this);
    CoolBar1->setObjectName("CoolBar1");
    CoolBar1->setFixedHeight(62);
    auto* bands = new QVBoxLayout(CoolBar1);
    bands->setContentsMargins(2, 2, 2, 2);
    bands->setSpacing(2);
    ToolBar1 = new QToolBar("ToolBar1", CoolBar1);
    ToolBar2 = new QToolBar("ToolBar2", CoolBar1);
    for (QToolBar* bar : {ToolBar1, ToolBar2}) {
        bar->setMinimumHeight(26);
        bar->setIconSize(QSize(16, 16));
        bar->setMovable(false);
        bands->addWidget(bar);
    }

    btnComportOpen = makeButton(ToolBar1, "btnComportOpen", 0,
                                "통신을 초기화하고측량기로부터 데이터를 다운받을 준비를 합니다.", true);
    btnComportClose = makeButton(ToolBar1, "btnComportClose", 1, "통신을 종료 합니다.", true);
    auto* gap = new QWidget(ToolBar1);
    gap->setFixedWidth(7);
    ToolBar1->addWidget(gap);
    btnComPortSetting =
        makeButton(ToolBar1, "btnComPortSetting", 2, "시리얼 통신 환경을 설정합니다.", true);
    btnUpload = makeButton(ToolBar1, "btnUpload", 9, "데이터를 측량기로 전송합니다.", true);

    btnImportTXT = makeButton(ToolBar2, "btnImportTXT", 11, "측량 파일을 불러옵니다.", false);
    btnExportTXT = makeButton(ToolBar2, "btnExportTXT", 13, "측량 파일을 저장합니다.", false);
    btnGridAddPoint = makeButton(ToolBar2, "btnGridAddPoint", 15, "측점을 추가 합니다.", false);
    btnGridDelPoint = makeButton(ToolBar2, "btnGridDelPoint", 14, "측점을 삭제 합니다.", false);
    btnFix = makeButton(ToolBar2, "btnFix", 5, "화면에 맞게 뷰를 확장합니다.", true);
    btnZoomIn = makeButton(ToolBar2, "btnZoomIn", 4, "줌인을 합니다.", true);
    btnZoomOut = makeButton(ToolBar2, "btnZoomOut", 3, "줌아웃을 합니다.", true);
    btnAddPoint = makeButton(ToolBar2, "btnAddPoint", 7, "클릭한 지점에 포인트를 추가 합니다.", true);
    btnDXFExport = makeButton(ToolBar2, "btnDXFExport", 8, "DXF로 저장하기", true);
    btnExcelExport = makeButton(ToolBar2, "btnExcelExport", 10, "엑셀로 저장 합니다.", true);

    LinkMenu(PC1, btnComportOpen);
    LinkMenu(N4, btnComportClose);
    LinkMenu(N3, btnComPortSetting);
    LinkMenu(PC2, btnUpload);
    LinkMenu(XT1, btnImportTXT);
    LinkMenu(N5, btnFix);
    LinkMenu(N6, btnZoomIn);
    LinkMenu(N7, btnZoomOut);
    LinkMenu(N8, btnAddPoint);
    LinkMenu(DXF1, btnDXFExport);
    LinkMenu(Excel1, btnExcelExport);
}

void TMainForm::CreateBody() {
    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(CoolBar1);

    Splitter1 = new QSplitter(Qt::Horizontal, client);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    column->addWidget(Splitter1, 1);

    NiceGrid1 = new TNiceGrid(Splitter1);
    NiceGrid1->setObjectName("NiceGrid1");
    NiceGrid1->SetColumns({"ID", "X", "Y", "Z", "CODE"}, {30, 80, 80, 80, 80});
    Splitter1->addWidget(NiceGrid1);

    // Panel1 has a one-pixel bevel, which is why the view starts at 716 by 532.
    Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName("Panel1");
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({309, kClientWidth - 309 - 4});

    auto* panelColumn = new QVBoxLayout(Panel1);
    panelColumn->setContentsMargins(1, 1, 1, 1);
    panelColumn->setSpacing(0);
    auto* upper = new QHBoxLayout;
    upper->setSpacing(0);
    panelColumn->addLayout(upper, 1);

    NCAD1 = new TNCAD(Panel1);
    NCAD1->setObjectName("NCAD1");
    upper->addWidget(NCAD1, 1);

    Panel10 = new QWidget(Panel1);
    Panel10->setObjectName("Panel10");
    Panel10->setFixedWidth(120);
    upper->addWidget(Panel10);
    Label1 = new QLabel("레이어 목록", Panel10);
    Label1->move(45, 5);
    LayerListBox = new TCheckList(Panel10);
    LayerListBox->setObjectName("LayerListBox");
    LayerListBox->setGeometry(3, 30, 114, 154);
    LayerListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (const char* caption : kLayerCaptions)
        LayerListBox->AddItem(QString::fromUtf8(caption));

    Panel2 = new QWidget(Panel1);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(58);
    panelColumn->addWidget(Panel2);
    auto* bottom = new QVBoxLayout(Panel2);
    bottom->setContentsMargins(0, 1, 0, 0);
    bottom->setSpacing(1);
    MsgStr = new QPlainTextEdit(Panel2);
    MsgStr->setObjectName("MsgStr");
    MsgStr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    bottom->addWidget(MsgStr, 1);
    StatusBar1 = new QStatusBar(Panel2);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setFixedHeight(21);
    StatusBar1->setSizeGripEnabled(false);
    for (int width : {200, 50}) {
        auto* panel = new QLabel(StatusBar1);
        panel->setFixedWidth(width);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panel);
    }
    MeasurePanel = new TMeasurePanel(*NiceGrid1, *NCAD1, StatusBar1);
    StatusBar1->addWidget(MeasurePanel, 1);
    bottom->addWidget(StatusBar1);

    setCentralWidget(client);
}

void TMainForm::FormCreate() {
    auto project = std::make_unique<TNCADProject>();
    project->SetName("Test Project");
    Project = project.get();
    NCAD1->ProjectManager()->AddProject(std::move(project));
    CreateCommWindows();
    for (int i = 0; i < LayerListBox->count(); ++i)
        LayerListBox->SetChecked(i, true);
    LayerListBox->setCurrentRow(-1);
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // A file named on the command line opens once the window stands on the screen: a big
    // one shows its progress in front of the window, which paints meanwhile.
    QTimer::singleShot(0, this, [this] { RunGuarded([this] { FormShow(); }); });
}

void TMainForm::FormShow() { CommandLineImport(); }

void TMainForm::ConnectCommand(QToolButton* button, void (TMainForm::*handler)()) {
    button->setEnabled(true);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
}

void TMainForm::LinkMenu(QAction* item, QToolButton* button) {
    m_menuLinks.emplace_back(item, button);
    connect(item, &QAction::triggered, button, &QToolButton::click);
}

void TMainForm::SyncMenuStates() {
    for (auto& [item, button] : m_menuLinks)
        item->setEnabled(button->isEnabled());
}

QString TMainForm::CompletionLine() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) +
           QString::fromUtf8(" 데이터 전송이 완료되었습니다.");
}

void TMainForm::AddCompletionLine() { MsgStr->appendPlainText(CompletionLine()); }

void TMainForm::N9Click() { close(); }

// The close box and 종료 alike: unsaved points are saved, dropped or kept (MainFile.cpp).
void TMainForm::closeEvent(QCloseEvent* event) {
    if (!CanClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
