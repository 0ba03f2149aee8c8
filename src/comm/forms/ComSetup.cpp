#include "comm/forms/ComSetup.h"

#include "comm/ComPort.h"
#include "comm/forms/ComComboBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {

// Client area, pixels.
constexpr int kWidth = 231;
constexpr int kHeight = 216;
constexpr int kRowStep = 24;

} // namespace

TComSetupFrm::TComSetupFrm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(PortCaption("Setup"));
    // The family of the original layout; fontconfig would pick a much wider face for it.
    QFont::insertSubstitutions("MS Sans Serif", {"Liberation Sans", "Nimbus Sans", "Arial"});
    setFont(QFont("MS Sans Serif", 8));
    setFixedSize(kWidth, kHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    GroupBox1 = new QGroupBox(PortCaption(" Settings "), this);
    GroupBox1->setGeometry(8, 8, 215, 169);
    const TComProperty properties[] = {cpPort,     cpBaudRate, cpDataBits,
                                       cpStopBits, cpParity,   cpFlowControl};
    QLabel** labels[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6};
    TComComboBox** combos[] = {&Combo1, &Combo2, &Combo3, &Combo4, &Combo5, &Combo6};
    for (int i = 0; i < 6; ++i) {
        auto* label = new QLabel(PortCaption(kSettingCaptions[i]), GroupBox1);
        label->setGeometry(10, 24 + i * kRowStep, 66, 14);
        *labels[i] = label;
        auto* combo = new TComComboBox(GroupBox1);
        combo->setObjectName(QString("Combo%1").arg(i + 1));
        combo->setGeometry(78, 20 + i * kRowStep, 129, 21);
        *combos[i] = combo;
    }
    // The port list is read here, each time the dialog is made.
    for (int i = 0; i < 6; ++i)
        (*combos[i])->SetComProperty(properties[i]);

    Button1 = new QPushButton(PortCaption("OK"), this);
    Button1->setGeometry(67, 184, 75, 25);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    Button2 = new QPushButton(PortCaption("Cancel"), this);
    Button2->setGeometry(148, 184, 75, 25);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TComComboBoxes TComSetupFrm::Combos() const {
    return {Combo1, Combo2, Combo3, Combo4, Combo5, Combo6};
}

TComComboBox* TComSetupFrm::Combo(int index) const {
    return index >= 0 && index < 6 ? Combos()[static_cast<size_t>(index)] : nullptr;
}

void InstallComSetupDialog() {
    TCustomComPort::SetSetupDialog([](TCustomComPort& port) {
        TComSetupFrm form(QApplication::activeWindow());
        BindComboBoxes(form.Combos(), &port);
        if (form.exec() != QDialog::Accepted)
            return false;
        ApplyComboBoxes(form.Combos(), port);
        return true;
    });
}
