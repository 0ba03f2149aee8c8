#include "comm/forms/ComComboBox.h"

#include "comm/ComError.h"
#include "comm/ComPort.h"
#include "comm/PortNames.h"
#include "toolkit/Application.h"

#include <QLineEdit>

#include <iterator>

namespace {

// Each item shows its value in the user's language and keeps the value itself as its data.
template <std::size_t N> void addValues(QComboBox& box, const char* const (&values)[N]) {
    for (const char* value : values)
        box.addItem(PortCaption(value), QString::fromUtf8(value));
}

} // namespace

QString PortCaption(const char* msgid) { return QString::fromStdString(PortText(msgid)); }

void TComSelect::Parse(TComProperty property, const std::string& text) {
    const char* t = text.c_str();
    switch (property) {
    case cpNone: break;
    case cpPort: m_port = text; break;
    case cpBaudRate: m_baudRate = ComText::StrToBaudRate(t); break;
    case cpDataBits: m_dataBits = ComText::StrToDataBits(t); break;
    case cpStopBits: m_stopBits = ComText::StrToStopBits(t); break;
    case cpParity: m_parity = ComText::StrToParity(t); break;
    case cpFlowControl: m_flowControl = ComText::StrToFlowControl(t); break;
    }
}

std::string TComSelect::PortValueText(TComProperty property, const TCustomComPort& port) {
    switch (property) {
    case cpNone: return {};
    case cpPort: return port.Port();
    case cpBaudRate: return ComText::kBaudRates[port.BaudRate()];
    case cpDataBits: return ComText::kDataBits[port.DataBits()];
    case cpStopBits: return ComText::kStopBits[port.StopBits()];
    case cpParity: return ComText::kParity[port.Parity().Bits()];
    case cpFlowControl: return ComText::kFlowControl[port.FlowControl().FlowControl()];
    }
    return {};
}

void TComSelect::WriteTo(TComProperty property, TCustomComPort& port) const {
    switch (property) {
    case cpNone: break;
    case cpPort: port.SetPort(m_port); break;
    case cpBaudRate: port.SetBaudRate(m_baudRate); break;
    case cpDataBits: port.SetDataBits(m_dataBits); break;
    case cpStopBits: port.SetStopBits(m_stopBits); break;
    case cpParity: port.Parity().SetBits(m_parity); break;
    case cpFlowControl: port.FlowControl().SetFlowControl(m_flowControl); break;
    }
}

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    connect(this, &QComboBox::activated, this, [this] { RunGuarded([this] { Change(); }); });
}

TComComboBox::~TComComboBox() { disconnect(m_portDestroyed); }

void TComComboBox::SetComPort(TCustomComPort* port) {
    if (port == m_port)
        return;
    disconnect(m_portDestroyed);
    m_port = port;
    if (!port)
        return;
    m_portDestroyed = connect(port, &QObject::destroyed, this, [this] {
        m_port = nullptr;
        if (count() > 0)
            setCurrentIndex(0);
    });
    ReadFromPort();
}

void TComComboBox::SetComProperty(TComProperty property) {
    m_property = property;
    clear();
    // A port can be any device path (a USB adapter's by-id name, a pseudo-terminal), not
    // only the ports the system lists: the port list takes a typed path too.
    const bool wasEditable = isEditable();
    setEditable(property == cpPort);
    if (QLineEdit* edit = lineEdit(); edit && !wasEditable) {
        setInsertPolicy(QComboBox::NoInsert);
        connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) {
            m_select.Parse(m_property, text.trimmed().toStdString());
        });
    }
    switch (property) {
    case cpNone: break;
    case cpPort:
        for (const std::string& name : EnumSerialPorts())
            addItem(QString::fromStdString(name), QString::fromStdString(name));
        break;
    case cpBaudRate: addValues(*this, ComText::kBaudRates); break;
    case cpDataBits: addValues(*this, ComText::kDataBits); break;
    case cpStopBits: addValues(*this, ComText::kStopBits); break;
    case cpParity: addValues(*this, ComText::kParity); break;
    case cpFlowControl: addValues(*this, ComText::kFlowControl); break;
    }
    if (count() == 0)
        return;
    if (m_port)
        ReadFromPort();
    else
        setCurrentIndex(0);
}

QString TComComboBox::Text() const {
    if (isEditable())
        return currentText();
    return currentIndex() < 0 ? QString() : currentText();
}

void TComComboBox::SetText(const QString& text) {
    int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0)
        index = findData(text, Qt::UserRole, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        setCurrentIndex(index);
}

QString TComComboBox::ValueText(int index) const {
    const QVariant value = itemData(index);
    return value.isValid() ? value.toString() : itemText(index);
}

void TComComboBox::ApplyToPort() {
    if (m_port)
        m_select.WriteTo(m_property, *m_port);
}

void TComComboBox::ReadFromPort() {
    if (!m_port)
        return;
    const QString value = QString::fromStdString(TComSelect::PortValueText(m_property, *m_port));
    int index = findData(value, Qt::UserRole, Qt::MatchFixedString); // whole text, case ignored
    // The port in use stays selectable even when the system does not list it; otherwise
    // applying the list would rename the port to an earlier choice.
    if (index < 0 && m_property == cpPort && !value.isEmpty()) {
        addItem(value, value);
        index = count() - 1;
    }
    if (index < 0) {
        setCurrentIndex(-1);
        return;
    }
    m_select.Parse(m_property, ValueText(index).toStdString());
    setCurrentIndex(index);
}

void TComComboBox::Change() {
    // A typed port path has no item; a chosen item gives its value, whatever language it shows.
    const QString value = isEditable() || currentIndex() < 0 ? Text() : ValueText(currentIndex());
    m_select.Parse(m_property, value.toStdString());
    if (m_autoApply)
        ApplyToPort();
}

void BindComboBoxes(const TComComboBoxes& combos, TCustomComPort* port) {
    for (TComComboBox* combo : combos)
        combo->SetComPort(port);
    for (TComComboBox* combo : combos)
        combo->ReadFromPort();
}

void ApplyComboBoxes(const TComComboBoxes& combos, TCustomComPort& port) {
    port.Update([&] {
        for (TComComboBox* combo : combos)
            combo->ApplyToPort();
    });
}
