#include "app/Main.h"

#include "app/AppSettings.h"
#include "app/SecondRun.h"
#include "comm/ComPort.h"
#include "comm/InstrumentPort.h"
#include "comm/RecvFiles.h"
#include "comm/RecvSession.h"
#include "comm/forms/ComComboBox.h"
#include "comm/forms/ComSetup.h"
#include "comm/forms/DataRecv.h"
#include "comm/forms/DataSend.h"
#include "io/PointImport.h"
#include "toolkit/Application.h"
#include "toolkit/Dialogs.h"
#include "toolkit/NiceGrid.h"
#include "toolkit/WorkProgress.h"
#include "view/NCAD.h"

#include <QLocale>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <string_view>

void TMainForm::WireCommCommands() {
    CreateComPort();
    ConnectCommand(btnComportOpen, &TMainForm::btnComportOpenClick);
    ConnectCommand(btnComportClose, &TMainForm::btnComportCloseClick);
    ConnectCommand(btnComPortSetting, &TMainForm::btnComPortSettingClick);
    ConnectCommand(btnUpload, &TMainForm::btnUploadClick);
    NCAD1->OnSendAddedPoint = [this](double dx, double dy) { NCAD1SendAddedPoint(dx, dy); };
}

// The fixed values are the first start's; after that the line settings the user last
// confirmed, so that an upload goes where the last one went.
void TMainForm::CreateComPort() {
    InstallComSetupDialog();
    ComPort = new TComPort(this);
    ComPort->setObjectName("ComPort");
    ApplyInstrumentSettings(*ComPort);
    ApplyPortChoice(*ComPort, TAppSettings().PortChoice());
}

void TMainForm::ConfirmPortSettings(const std::function<bool()>& apply) {
    const TPortChoice before = ReadPortChoice(*ComPort);
    auto remember = [this] {
        TAppSettings settings;
        settings.SetPortChoice(ReadPortChoice(*ComPort));
        settings.Save();
    };
    bool confirmed = false;
    try {
        confirmed = apply();
    } catch (...) {
        // A choice that the port took before a later one failed (a new port that cannot be
        // opened now) is still the user's choice.
        if (ReadPortChoice(*ComPort) != before)
            RunGuarded(remember);
        throw;
    }
    if (confirmed)
        remember();
}

// Part of the creation handler, between registering the project and checking the layers.
void TMainForm::CreateCommWindows() {
    ReceiveWindow = new TDataRecvForm();
    // What the port receives goes to the receive session, whether or not its window shows.
    ReceiveWindow->Session().Bind(ComPort);
    ReceiveWindow->MainRowCount = [this] { return NiceGrid1->RowCount(); };
    // One starter for both second-run paths (import command and receive).
    // A line cut by a hang-up is not imported there either.
    ReceiveWindow->OnSecondRun = [this](const QString& path) {
        const bool cut = ReceiveWindow->Session().End().CutLine > 0;
        SecondRunStarter(path, cut ? QStringList{"--whole-lines"} : QStringList());
    };
    // A system without a port list still gets the whole window; the error is told once,
    // when the main window is up.
    if (std::exception_ptr error = ReceiveWindow->PortListError())
        QTimer::singleShot(0, this, [error] { TApplication::HandleException(error); });
    // The upload window picks points in the plan view: a cross while it waits for the
    // click, a pointing hand once the point is in its table.
    TSendViewLink view;
    view.StartPick = [this] {
        NCAD1->MouseMode = mmSendPoint;
        NCAD1->setCursor(Qt::CrossCursor);
    };
    view.PointAdded = [this] { NCAD1->setCursor(Qt::PointingHandCursor); };
    view.Repaint = [this] { NCAD1->Repaint(); };
    UploadWindow = new TDataSendForm(nullptr, ComPort, std::move(view));
}

void TMainForm::DestroyCommWindows() {
    // The receive session lets go of the port as it goes.
    delete UploadWindow;
    UploadWindow = nullptr;
    delete ReceiveWindow;
    ReceiveWindow = nullptr;
}

void TMainForm::btnComPortSettingClick() {
    ConfirmPortSettings([this] { return ComPort->ExecuteSetupDialog(); });
}

void TMainForm::btnComportOpenClick() {
    if (!ComPort->Connected()) {
        ComPort->Open();
        ReceiveWindow->ClearRecvText();
    }
    if (ReceiveWindow->isVisible())
        return;
    // The received bytes are in temp.dat by now, which messages name.
    ReceiveWindow->OnRecvData = [this](const TPointLines& lines) {
        const QString buffer = QString::fromStdString(RecvFiles::BufferFilePath());
        try {
            ImportJobData(lines, buffer);
        } catch (const EWorkCancelled&) {
            // The data stays in the buffer file, to be opened again.
            MsgStr->appendPlainText(QString::fromUtf8("불러오기를 취소했습니다: \"%1\"").arg(buffer));
        }
    };
    ReceiveWindow->BindComPort(ComPort);
    ReceiveWindow->move(geometry().center() - ReceiveWindow->rect().center());
    // Kept above the main window by the window manager, as a dialog of it.
    ReceiveWindow->createWinId();
    if (QWindow* handle = ReceiveWindow->windowHandle())
        handle->setTransientParent(windowHandle());
    const int result = ReceiveWindow->exec();
    const TRecvEnd& end = ReceiveWindow->Session().End();
    if (const QString note = ReceiveNote(); !note.isEmpty()) {
        MsgStr->appendPlainText(note);
        if (!end.BufferError.empty())
            Dialogs::ShowError(note);
    }
    if (std::exception_ptr error = ReceiveWindow->TakeHandOverError())
        std::rethrow_exception(error);
    if (result != QDialog::Accepted)
        return; // Cancel: the choices are dropped, nothing is logged, the port stays open

    ConfirmPortSettings([this] {
        ApplyComboBoxes(ReceiveWindow->Combos(), *ComPort);
        return true;
    });
    NCAD1->Repaint();
    // A receive cut short is said, whichever button ended it, and is never called complete.
    if (!end.CutShort())
        AddCompletionLine();
    ComPort->Close();
}

// Lines: where the bytes are, why temp.dat could not be written, then what happened, which
// is the line the short message area shows.
QString TMainForm::ReceiveNote() const {
    const TRecvSession& session = ReceiveWindow->Session();
    const TRecvEnd& end = session.End();
    if (!end.CutShort() && end.BufferError.empty())
        return {};
    QStringList files;
    for (const std::string& file : session.KeptIn())
        files << "\"" + QString::fromStdString(file) + "\"";
    const QString bytes = QLocale::system().toString(session.ByteCount());
    // The port the bytes came from: a receive from the wrong one is told at once.
    const QString port = QString::fromUtf8("포트 %1에서 ").arg(QString::fromStdString(PortLabel(*ComPort)));
    QStringList lines;
    lines << port + (files.isEmpty()
                         ? QString::fromUtf8("받은 데이터 %1 바이트를 파일에 남기지 못했습니다.").arg(bytes)
                         : QString::fromUtf8("받은 데이터 %1 바이트는 모두 %2에 있습니다.")
                               .arg(bytes, files.join(QString::fromUtf8("와 "))));
    if (!end.BufferError.empty())
        lines << QString::fromUtf8("받은 데이터를 임시 파일에 쓰지 못했습니다: ") +
                     QString::fromStdString(end.BufferError);
    // A second window leaves a cut line out too (it is started with --whole-lines).
    const QString notRead = QString::fromUtf8(" 그 줄은 불러오지 않았습니다.");
    if (end.HungUp)
        lines << (end.CutLine ? QString::fromUtf8("수신 중에 연결이 끊겨 %1번째 줄이 잘렸습니다.").arg(end.CutLine) + notRead
                              : QString::fromUtf8("수신 중에 연결이 끊겼습니다."));
    else if (end.EndedEarly)
        lines << (end.CutLine ? QString::fromUtf8("전송이 끝나기 전에 수신을 마쳐 %1번째 줄이 잘렸습니다.").arg(end.CutLine) + notRead
                              : QString::fromUtf8("전송이 끝나기 전에 수신을 마쳤습니다. 나머지는 받지 않았습니다."));
    return lines.join('\n');
}

void TMainForm::btnComportCloseClick() {
    if (ComPort->Connected())
        ComPort->Close();
}

void TMainForm::btnUploadClick() {
    if (UploadWindow->isVisible())
        UploadWindow->hide();
    TNiceGrid& table = *UploadWindow->NiceGrid1;
    table.ClearRows();
    const int cols = std::min(NiceGrid1->ColCount(), table.ColCount());
    std::vector<std::string_view> cells(static_cast<size_t>(cols));
    table.BeginUpdate();
    for (int r = 0; r < NiceGrid1->RowCount(); ++r) {
        for (int c = 0; c < cols; ++c)
            cells[static_cast<size_t>(c)] = NiceGrid1->CellUtf8(c, r);
        table.AddRowUtf8(cells.data(), cols);
    }
    table.EndUpdate();
    UploadWindow->show();
}

void TMainForm::NCAD1SendAddedPoint(double dx, double dy) {
    if (UploadWindow && UploadWindow->isVisible())
        UploadWindow->AddSendPoint(dx, dy);
}
