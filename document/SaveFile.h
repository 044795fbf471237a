// The one way the program writes a file: the bytes go to a temporary file in
// the target's folder, which is flushed, synced and checked at every step and
// only then renamed over the target. Until that rename the previous file is
// untouched; a failure leaves it as it was and removes the temporary file.
#pragma once

#include <string_view>

#include <QString>

// False (with a reason in `error`) when any step failed; the target is then
// unchanged.
bool saveFileAtomically(const QString& path, std::string_view bytes, QString* error = nullptr);

// Save As keeps the file it replaces: "Diary.XML" in any folder is backed up
// as "Diary.BAK" beside it (the name without folder and extension + ".BAK").
struct SaveAsBackup {
    // The backup's name alone, as the "Backup File Created" message shows it.
    static QString backupName(const QString& chosenPath);
    // The backup's full path: beside the chosen file.
    static QString backupPath(const QString& chosenPath);
    // Copies the chosen file to its backup path, atomically: an older backup
    // is replaced only once the new one is complete. False when it could not
    // be made; the chosen file must then not be replaced.
    static bool make(const QString& chosenPath, QString* error = nullptr);
};

// The name Save As writes: `name` with ".XML" appended unless it already
// contains ".XML" anywhere (exact case).
QString withXmlExtension(const QString& name);
