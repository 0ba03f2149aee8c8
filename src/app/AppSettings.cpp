#include "app/AppSettings.h"

#include <QSettings>

#include <stdexcept>

namespace {

const char kPortName[] = "port/name";
const char kBaudRate[] = "port/baudRate";
const char kCustomBaudRate[] = "port/customBaudRate";
const char kDataBits[] = "port/dataBits";
const char kStopBits[] = "port/stopBits";
const char kParity[] = "port/parity";
const char kFlowControl[] = "port/flowControl";

// Settings are stored as the display texts of the lists, so the file reads as the dialog does.
template <class E, std::size_t N>
void readEnum(const QSettings& s, const char* key, const char* const (&texts)[N], E& value) {
    const QString text = s.value(key).toString();
    for (std::size_t i = 0; i < N; ++i)
        if (text.compare(QLatin1String(texts[i]), Qt::CaseInsensitive) == 0) {
            value = static_cast<E>(i);
            return;
        }
}

} // namespace

TAppSettings::TAppSettings()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             "PointBridge", "PointBridge")) {}

TAppSettings::~TAppSettings() = default;

TPortChoice TAppSettings::PortChoice() const {
    TPortChoice c;
    const QString port = m_settings->value(kPortName).toString();
    if (!port.isEmpty())
        c.Port = port.toStdString();
    readEnum(*m_settings, kBaudRate, ComText::kBaudRates, c.BaudRate);
    bool ok = false;
    const int custom = m_settings->value(kCustomBaudRate).toInt(&ok);
    if (ok && custom > 0)
        c.CustomBaudRate = custom;
    readEnum(*m_settings, kDataBits, ComText::kDataBits, c.DataBits);
    readEnum(*m_settings, kStopBits, ComText::kStopBits, c.StopBits);
    readEnum(*m_settings, kParity, ComText::kParity, c.Parity);
    readEnum(*m_settings, kFlowControl, ComText::kFlowControl, c.FlowControl);
    return c;
}

void TAppSettings::SetPortChoice(const TPortChoice& c) {
    m_settings->setValue(kPortName, QString::fromStdString(c.Port));
    m_settings->setValue(kBaudRate, ComText::kBaudRates[c.BaudRate]);
    m_settings->setValue(kCustomBaudRate, c.CustomBaudRate);
    m_settings->setValue(kDataBits, ComText::kDataBits[c.DataBits]);
    m_settings->setValue(kStopBits, ComText::kStopBits[c.StopBits]);
    m_settings->setValue(kParity, ComText::kParity[c.Parity]);
    m_settings->setValue(kFlowControl, ComText::kFlowControl[c.FlowControl]);
}

QVariant TAppSettings::Value(const QString& key, const QVariant& fallback) const {
    return m_settings->value(key, fallback);
}

void TAppSettings::SetValue(const QString& key, const QVariant& value) {
    m_settings->setValue(key, value);
}

void TAppSettings::Remove(const QString& key) { m_settings->remove(key); }

void TAppSettings::Save() {
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw std::runtime_error(
            QString::fromUtf8("설정을 파일 \"%1\"에 저장하지 못했습니다. 이번 실행에만 적용됩니다.")
                .arg(FileName())
                .toStdString());
}

QString TAppSettings::FileName() const { return m_settings->fileName(); }
