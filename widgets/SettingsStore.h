// The per-user settings store: an INI file per user (organisation "Velmora",
// application "MyBusiness"), every value in group "MyBusiness" and kept as
// text (numbers in decimal, booleans as 1 or 0). Each call opens the file,
// does its work and closes it again, so a value written is on disk at once.
#pragma once

#include <QString>
#include <QStringList>

class SettingsStore {
public:
    // The user's own store.
    SettingsStore();
    // A store kept in the INI file `iniPath` (tests use a temporary folder).
    explicit SettingsStore(const QString& iniPath);

    const QString& fileName() const { return iniPath_; }

    bool contains(const QString& name) const;
    QString readText(const QString& name, const QString& fallback) const;
    // Missing or not a valid 32-bit decimal number: `fallback`.
    int readInt(const QString& name, int fallback) const;
    // Missing or neither 1/0 nor true/false: `fallback`.
    bool readBool(const QString& name, bool fallback) const;

    void writeText(const QString& name, const QString& value);
    void writeInt(const QString& name, int value);
    void writeBool(const QString& name, bool value);
    // Deletes the values in the order given; missing ones are ignored.
    void remove(const QStringList& names);

private:
    QString iniPath_;
};
