#pragma once

#include "comm/ComTypes.h"

#include <QComboBox>
#include <QMetaObject>

#include <array>
#include <string>

class TCustomComPort;

// The value a settings combo box will write into its port: it changes only through the
// user's choice or ReadFromPort.
class TComSelect {
public:
    // Takes the value of `text` for `property` (unknown texts give the type's fallback).
    void Parse(TComProperty property, const std::string& text);
    // The port's current value of `property` as display text.
    static std::string PortValueText(TComProperty property, const TCustomComPort& port);
    void WriteTo(TComProperty property, TCustomComPort& port) const;

private:
    std::string m_port;
    TBaudRate m_baudRate = br9600;
    TDataBits m_dataBits = dbEight;
    TStopBits m_stopBits = sbOneStopBit;
    TParityBits m_parity = prNone;
    TFlowControl m_flowControl = fcCustom;
};

// A drop-down list bound to one setting of one port. The port list also takes a typed
// device path, and always holds the bound port's own name.
class TComComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComComboBox(QWidget* parent = nullptr);
    ~TComComboBox() override;

    TCustomComPort* ComPort() const { return m_port; }
    // Binding a different port reads its value; the port's destruction unbinds.
    void SetComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return m_property; }
    // Refills the items (cpPort reads the system's port list: EComPort code 23 on failure).
    void SetComProperty(TComProperty property);
    bool AutoApply() const { return m_autoApply; }
    void SetAutoApply(bool value) { m_autoApply = value; }
    // The selected item's text as shown, empty when nothing is selected.
    QString Text() const;
    // Selects the item with exactly this text, shown or as its value ("None" also where
    // the list shows it in another language), if there is one.
    void SetText(const QString& text);
    // The value item `index` stands for: its text without the catalog's translation.
    QString ValueText(int index) const;

    void ApplyToPort();
    void ReadFromPort();

private:
    void Change(); // the user picked an item

    TCustomComPort* m_port = nullptr;
    QMetaObject::Connection m_portDestroyed;
    TComProperty m_property = cpNone;
    bool m_autoApply = false;
    TComSelect m_select;
};

// The six settings lists of a window, Port to Flow control, and their captions.
using TComComboBoxes = std::array<TComComboBox*, 6>;
inline constexpr const char* kSettingCaptions[] = {
    ComText::PortTextN("Port"),      ComText::PortTextN("Baud rate"), ComText::PortTextN("Data bits"),
    ComText::PortTextN("Stop bits"), ComText::PortTextN("Parity"),    ComText::PortTextN("Flow control")};

// A caption of the port's settings windows, through the port's message catalog.
QString PortCaption(const char* msgid);

// Binds every list to `port` and shows the port's current values.
void BindComboBoxes(const TComComboBoxes& combos, TCustomComPort* port);
// Writes every list into `port` in one update. The bracket is closed even when a list fails,
// or the port would never apply a setting again; the first error is the one reported.
void ApplyComboBoxes(const TComComboBoxes& combos, TCustomComPort& port);
