// Why a file could not be read or written, in the words the user is shown:
// the program's fixed file-error text, then the file's name and the reason.
#pragma once

#include <QString>
#include <exception>

struct FileError {
    QString path;
    // The system's reason ("No space left on device") or the program's own
    // refusal. Empty: no error.
    QString reason;
    // The failure came while the file's bytes were being written.
    bool whileWriting = false;
    // Neither the file nor its folder may be written here; the document can
    // still go elsewhere under another name.
    bool cannotWriteHere = false;

    bool isError() const { return !reason.isEmpty(); }
    // The reason for the system error number `code`.
    static FileError ofSystem(const QString& path, int code, bool whileWriting = false);
    // A name that does not stand for the bytes of a file's name: the system's
    // encoding could not show them, and the file meant cannot be reached.
    static FileError ofUnfaithfulName(const QString& path);
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
