// What keeps the open file and the work on it safe, and asks the user when
// it must: the lock that makes this program the file's one editor, the
// watch on changes other programs make to it, and the work a program left
// behind when it ended without saving.
#pragma once

#include <QObject>

#include "document/FileLock.h"
#include "document/FileWatch.h"

class Autosave;
class Document;
struct RecoveryEntry;
class RecoveryStore;
class UserQuestions;

class FileGuard : public QObject {
    Q_OBJECT
public:
    FileGuard(Document& document, UserQuestions& dialogs, QObject* parent = nullptr);

    // Recovery of unsaved work; without it nothing is offered at start-up.
    void attachRecovery(RecoveryStore& store, Autosave& autosave);

    // At start-up: offers the work left behind, the newest first. True when
    // the user restored one, which is then the document.
    bool offerRecovery();

    // Before `path` is opened: locks it, asking what to do when another
    // program holds it. False when the user cancelled; `readOnly` tells
    // whether to open it read-only.
    bool claim(const QString& path, bool& readOnly);
    // The document now belongs to the file claimed, opened read-only or not.
    void opened(bool readOnly);
    // The file claimed could not be read: the document keeps its own.
    void kept();
    // The document's file has just been read: one that is no XML document
    // is reported (and mayOverwrite asks before Save replaces it).
    void warnIfNotXml();
    // The document was saved as `path`: that file is locked now.
    void savedAs(const QString& path);
    // The document belongs to no file (New): no file is held.
    void released();
    // Before Save writes the document's file: false when it must not, the
    // user having been told why or asked (the default answer keeps the file).
    bool mayOverwrite();
    // The file is no longer as it was last read or written here.
    bool changedOnDisk() const { return watch_.changedOnDisk(); }

signals:
    // A line for the status bar.
    void note(const QString& text);
    // The answers to a change another program made: read the file again,
    // or save the document under another name.
    void reloadWanted();
    void saveAsWanted();

private:
    void outsideChange(bool removed);
    bool restore(const RecoveryEntry& entry);

    Document& document_;
    UserQuestions& dialogs_;
    FileLock lock_;
    FileWatch watch_;
    RecoveryStore* store_ = nullptr;
    Autosave* autosave_ = nullptr;
};
