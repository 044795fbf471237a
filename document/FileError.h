// Why a file could not be read or written, in the words the user is shown:
// what could not be done, then the file's name and the reason.
#pragma once

#include <QString>
#include <exception>

struct FileError {
    // What was being done with the file; the message's first line says it.
    enum class Step {
        Reading,
        // Nothing was changed: the target is as it was.
        Writing,
        // The file is in place, but the system did not confirm it on disk.
        ConfirmingWrite,
    };

    QString path;
    // The system's reason ("No space left on device") or the program's own
    // refusal. Empty: no error.
    QString reason;
    Step step = Step::Reading;
    // Neither the file nor its folder may be written here; the document can
    // still go elsewhere under another name.
    bool cannotWriteHere = false;

    bool isError() const { return !reason.isEmpty(); }
    static FileError writing(const QString& path, const QString& reason, bool cannotWriteHere = false);
    // The reason for the system error number `code`.
    static FileError ofSystem(const QString& path, int code, Step step = Step::Reading);
    // A name that does not stand for the bytes of a file's name: the system's
    // encoding could not show them, and the file meant cannot be reached.
    static FileError ofUnfaithfulName(const QString& path, Step step);
    // `failure` stopped the reading of the file's bytes into a tree.
    static FileError ofReading(const QString& path, const std::exception& failure);
    // Memory ran out while the file's `size` bytes were read; nothing changed.
    static FileError ofMemory(const QString& path, qint64 size);
    // The text of the "File Error" message box.
    QString message() const;
};

// False when the name came from bytes the system's encoding cannot show
// (each such byte reads as U+FFFD): the bytes are lost, and the name would
// reach another file than the one meant.
bool isFaithfulName(const QString& path);
