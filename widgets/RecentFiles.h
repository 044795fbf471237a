// The documents the user worked on last, newest first, at most eight, kept
// in the settings store as "RecentFile1" to "RecentFile8".
#pragma once

#include <QStringList>

class SettingsStore;

class RecentFiles {
public:
    static constexpr int Size = 8;

    explicit RecentFiles(SettingsStore& settings) : settings_(settings) {}

    QStringList files() const;
    // `file` goes first; the oldest beyond eight is forgotten.
    void add(const QString& file);
    void remove(const QString& file);

private:
    void store(const QStringList& files);

    SettingsStore& settings_;
};
