#pragma once

#include "comm/InstrumentPort.h"

#include <QString>
#include <QVariant>

#include <memory>

class QSettings;

// What the program keeps between runs: PointBridge/PointBridge.conf in the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config). Every setting has its first
// start's value; a stored value that does not read back as one (edited by hand, written by
// another version) gives that value too, never a guess.
class TAppSettings {
public:
    TAppSettings();
    ~TAppSettings();
    TAppSettings(const TAppSettings&) = delete;
    TAppSettings& operator=(const TAppSettings&) = delete;

    // The line settings the user last confirmed.
    TPortChoice PortChoice() const;
    void SetPortChoice(const TPortChoice& choice);

    // Plain values, for settings without accessors of their own; keys read "group/name".
    QVariant Value(const QString& key, const QVariant& fallback = {}) const;
    void SetValue(const QString& key, const QVariant& value);
    void Remove(const QString& key);

    // Puts the changes on the disk; throws std::runtime_error naming the file when it cannot.
    void Save();
    QString FileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
