#include "document/FileGuard.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "document/Autosave.h"
#include "document/Document.h"
#include "document/RecoveryStore.h"
#include "document/UserQuestions.h"

FileGuard::FileGuard(Document& document, UserQuestions& dialogs, QObject* parent)
    : QObject(parent), document_(document), dialogs_(dialogs), watch_(document) {
    connect(&watch_, &FileWatch::changed, this, &FileGuard::outsideChange);
}

void FileGuard::attachRecovery(RecoveryStore& store, Autosave& autosave) {
    store_ = &store;
    autosave_ = &autosave;
}

// ---- Work left behind ----

namespace {

QString documentOf(const RecoveryEntry& entry) {
    return entry.original.isEmpty() ? QString("a new document") : entry.original;
}

}  // namespace

bool FileGuard::offerRecovery() {
    if (!store_) return false;
    const QList<RecoveryEntry> entries = store_->takeLeftBehind();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const RecoveryEntry& entry = entries.at(i);
        QString text = QString("Corvantis ended without saving the changes to %1. They were kept on %2.")
                           .arg(documentOf(entry), QLocale().toString(entry.savedAt, QLocale::ShortFormat));
        if (!entry.original.isEmpty() && RecoveryStore::originalChanged(entry))
            text += "\n\nThe file has been changed or removed since then.";
        if (entries.size() > i + 1) {
            text += "\n\nUnsaved changes were kept for these documents too:";
            for (qsizetype k = i + 1; k < entries.size(); ++k) text += "\n" + documentOf(entries.at(k));
        }
        text += "\n\nRestore the changes now, discard them, or decide at the next start?";
        const int answer = dialogs_.choose(text, "Unsaved Changes", {"Restore", "Discard", "Later"});
        if (answer == 1) {
            store_->remove(entry);
            continue;
        }
        // The others wait for the next start.
        for (qsizetype k = answer == 0 ? i + 1 : i; k < entries.size(); ++k) store_->release(entries.at(k));
        return answer == 0 && restore(entry);
    }
    return false;
}

bool FileGuard::restore(const RecoveryEntry& entry) {
    QByteArray bytes;
    FileError failure;
    bool readOnly = false;
    if (store_->read(entry, bytes, failure) == ReadResult::Read) {
        if (!entry.original.isEmpty() && !claim(entry.original, readOnly)) {
            store_->release(entry);
            return false;
        }
        failure = document_.loadRecovered(bytes, entry.original, entry.encoding, entry.originalContent);
    }
    if (failure.isError()) {
        dialogs_.showFileError(failure);
        store_->release(entry);  // kept for the next start
        return false;
    }
    opened(readOnly);
    // Kept in this program's own recovery file before the old one goes, so
    // the work is on disk all along.
    if (autosave_->writeNow()) store_->remove(entry);
    else store_->release(entry);
    return true;
}

// ---- One editor per file ----

bool FileGuard::claim(const QString& path, bool& readOnly) {
    readOnly = false;
    if (lock_.lock(path) != FileLock::Result::HeldElsewhere) return true;
    const QString text =
        QString("%1 is open in another Corvantis (%2).\n\nOpen it read-only, take it over, or cancel?")
            .arg(QFileInfo(path).fileName(), lock_.holder());
    switch (dialogs_.choose(text, "File In Use", {"Read-only", "Take Over", "Cancel"})) {
        case 0: readOnly = true; return true;
        case 1: lock_.takeOver(path); return true;
        default: return false;
    }
}

void FileGuard::savedAs(const QString& path) {
    lock_.lock(path);
    document_.setReadOnly(false);
}

void FileGuard::released() { lock_.release(); }

void FileGuard::kept() {
    if (document_.isNew() || document_.isReadOnly())
        lock_.release();
    else
        lock_.lock(document_.fileName());
}

void FileGuard::opened(bool readOnly) {
    document_.setReadOnly(readOnly);
    if (readOnly) emit note("Read-only: another Corvantis has this file open.");
    warnIfNotXml();
}

void FileGuard::warnIfNotXml() {
    if (document_.fileContent() == FileContent::Xml) return;
    dialogs_.inform(notXmlMessage(QDir::toNativeSeparators(document_.fileName()), document_.fileContent()) +
                        "\n\nIt is shown as far as it could be read as XML; Save asks before writing over it.",
                    NotXmlCaption);
}

// ---- Changes made by other programs ----

bool FileGuard::mayOverwrite() {
    if (document_.isReadOnly()) {
        dialogs_.inform(QString("%1 is open read-only: another Corvantis has it open. Use Save As to keep a copy.")
                            .arg(QFileInfo(document_.fileName()).fileName()),
                        "Read-only");
        return false;
    }
    if (document_.fileContent() != FileContent::Xml) {
        const QString text = notXmlMessage(QDir::toNativeSeparators(document_.fileName()), document_.fileContent()) +
                             "\n\nReplace it with this document?";
        if (dialogs_.choose(text, NotXmlCaption, {"No", "Yes"}) != 1) return false;
    }
    if (!watch_.changedOnDisk() || !FileIdentity::of(document_.fileName()).exists) return true;
    const QString text = QString("%1 has been changed by another program since it was opened or saved here.\n\n"
                                 "Write your version over it?")
                             .arg(QFileInfo(document_.fileName()).fileName());
    return dialogs_.choose(text, "File Changed", {"Cancel", "Overwrite"}) == 1;
}

void FileGuard::outsideChange(bool removed) {
    const QString name = QFileInfo(document_.fileName()).fileName();
    if (removed) {
        dialogs_.inform(QString("%1 has been removed by another program. Save writes it again.").arg(name),
                        "File Removed");
        return;
    }
    if (!document_.hasUnsavedChanges()) {
        emit reloadWanted();
        emit note(QString("%1 was changed by another program and has been read again; earlier steps cannot be undone.")
                      .arg(name));
        return;
    }
    const QString text = QString("%1 has been changed by another program.\n\nKeep your version (Save will ask "
                                 "before writing over theirs), read theirs again and lose your changes, or save "
                                 "yours under another name?")
                             .arg(name);
    switch (dialogs_.choose(text, "File Changed", {"Keep Mine", "Reload Theirs", "Save As"})) {
        case 1: emit reloadWanted(); break;
        case 2: emit saveAsWanted(); break;
        default: break;
    }
}
