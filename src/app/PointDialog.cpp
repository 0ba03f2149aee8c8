#include "app/PointDialog.h"

#include "text/NumText.h"
#include "toolkit/Catalog.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Fonts.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int kBandHeight = 26;
constexpr int kButtonBandHeight = 34;
constexpr int kFieldLeft = 97;
constexpr int kFieldWidth = 257;
constexpr int kFieldHeight = 21;

QLineEdit* addField(QGroupBox* box, QLabel*& label, const QString& caption, int top) {
    label = new QLabel(caption, box);
    label->setGeometry(8, top, kFieldLeft - 14, kFieldHeight);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* edit = new QLineEdit(box);
    edit->setGeometry(kFieldLeft, top, kFieldWidth, kFieldHeight);
    label->setBuddy(edit);
    return edit;
}

std::string text(const QLineEdit* e) { return e->text().toStdString(); }

} // namespace

TPointDialog::TPointDialog(QWidget* parent, const QString& caption, const QString& band,
                           QSize client)
    : QDialog(parent) {
    setWindowTitle(caption);
    setFont(QFont(Fonts::kUiFamily, 8));
    setFixedSize(client);

    BandCaption = new QLabel(band, this);
    BandCaption->setGeometry(0, 0, client.width(), kBandHeight);
    BandCaption->setIndent(8);
    BandCaption->setAutoFillBackground(true);
    QPalette green = BandCaption->palette();
    green.setColor(QPalette::Window, QColor(192, 220, 192)); // money green
    BandCaption->setPalette(green);

    GroupBox1 = new QGroupBox("세부 항목 설정", this);
    // The caption sits on the frame line, as the field tops (from 16) assume; the default
    // style would put it above the frame and push the frame into the first field.
    GroupBox1->setStyleSheet("QGroupBox { border: 1px solid palette(mid); border-radius: 2px;"
                             " margin-top: 7px; }"
                             "QGroupBox::title { subcontrol-origin: margin; left: 8px;"
                             " padding: 0 2px; }");
    GroupBox1->setGeometry(8, 32, client.width() - 16,
                           client.height() - 32 - kButtonBandHeight - 6);
    EdtID = addField(GroupBox1, lblID, "측점번호:", 16);
    edtX = addField(GroupBox1, lblX, "X :", 48);
    edtY = addField(GroupBox1, lblY, "Y :", 81);
    edtZ = addField(GroupBox1, lblZ, "Z :", 114);
    edtCodeType = addField(GroupBox1, lblCodeType, "Code :", 148);

    BottomPanel = new QWidget(this);
    BottomPanel->setGeometry(0, client.height() - kButtonBandHeight, client.width(),
                             kButtonBandHeight);
    Button2 = new QPushButton(Catalog::Tk("&Ok"), BottomPanel);
    Button2->setGeometry(116, (kButtonBandHeight - 25) / 2, 75, 25);
    Button2->setDefault(true);
    Button1 = new QPushButton(Catalog::Tk("&Cancel"), BottomPanel);
    Button1->setGeometry(197, (kButtonBandHeight - 25) / 2, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(EdtID, edtX);
    setTabOrder(edtX, edtY);
    setTabOrder(edtY, edtZ);
    setTabOrder(edtZ, edtCodeType);
    setTabOrder(edtCodeType, Button2);
    setTabOrder(Button2, Button1);
}

void TPointDialog::Fill(const std::string& id, double x, double y, double z,
                        const std::string& code) {
    EdtID->setText(QString::fromStdString(id));
    edtX->setText(QString::fromStdString(FormatFixed4(x)));
    edtY->setText(QString::fromStdString(FormatFixed4(y)));
    edtZ->setText(QString::fromStdString(FormatFixed4(z)));
    edtCodeType->setText(QString::fromStdString(code));
    lblCodeType->setEnabled(true);
    edtCodeType->setEnabled(true);
}

bool TPointDialog::Run(const std::function<void()>& onShown) {
    // Centred over the main window also when made without an owner.
    if (!parentWidget())
        if (const QWidget* main = QApplication::activeWindow())
            move(main->geometry().center() - rect().center());
    if (onShown)
        QTimer::singleShot(0, this, onShown);
    return exec() == QDialog::Accepted;
}

void TPointDialog::accept() {
    const std::pair<QLineEdit*, double*> numbers[] = {
        {edtX, &m_typed.x}, {edtY, &m_typed.y}, {edtZ, &m_typed.z}};
    for (const auto& [edit, value] : numbers) {
        if (TryStrToFloat(text(edit), *value))
            continue;
        const QString name = edit == edtX ? "X" : edit == edtY ? "Y" : "Z";
        const QString message =
            edit->text().trimmed().isEmpty()
                ? QString::fromUtf8("%1 값이 비어 있습니다. 숫자를 입력하십시오.").arg(name)
                : QString::fromUtf8("%1 값 '%2'은(는) 올바른 숫자가 아닙니다. 고쳐 입력하십시오.")
                      .arg(name, edit->text());
        Dialogs::Show({QCoreApplication::applicationName(), message, Dialogs::Icon::Warning,
                       Dialogs::Buttons::Ok});
        edit->setFocus();
        edit->selectAll();
        return;
    }
    m_typed.id = text(EdtID);
    m_typed.code = text(edtCodeType);
    QDialog::accept();
}
