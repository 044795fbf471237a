#include "document/DocumentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "document/DocumentTreeModel.h"
#include "document/FileGuard.h"
#include "document/ReadFile.h"
#include "document/SaveAs.h"
#include "document/SaveFile.h"
#include "document/Selection.h"
#include "document/UserQuestions.h"
#include "document/VersionStore.h"

using corvantis::DOMNode;
using corvantis::StringObject;

namespace {

// A folder found again in a document read anew: the names from the top
// down, each with its place among the siblings of the same name.
using Route = std::vector<std::pair<StringObject, int>>;

Route routeTo(const DOMNode* node) {
    Route route;
    for (; node && node->parentNode(); node = node->parentNode()) {
        const DOMNode* parent = node->parentNode();
        int same = 0;
        for (int i = 0; i < parent->childCount() && parent->childAt(i) != node; ++i)
            same += parent->childAt(i)->nodeType() == corvantis::ELEMENT &&
                    parent->childAt(i)->nodeName() == node->nodeName();
        route.emplace_back(node->nodeName(), same);
    }
    return route;
}

// The folder at the end of `route`, or the deepest one on the way there.
DOMNode* follow(const Route& route, DOMNode* documentNode) {
    DOMNode* found = documentNode;
    for (auto step = route.rbegin(); step != route.rend(); ++step) {
        DOMNode* next = nullptr;
        for (int i = 0, same = 0; i < found->childCount() && !next; ++i) {
            DOMNode* child = found->childAt(i);
            if (child->nodeType() != corvantis::ELEMENT || child->nodeName() != step->first) continue;
            if (same++ == step->second) next = child;
        }
        if (!next) break;
        found = next;
    }
    return found;
}

}  // namespace

DocumentFiles::DocumentFiles(Document& document, Selection& selection, UserQuestions& questions, QObject* parent)
    : QObject(parent),
      document_(document),
      selection_(selection),
      questions_(questions),
      guard_(new FileGuard(document, questions, this)) {
    connect(guard_, &FileGuard::note, this, &DocumentFiles::note);
    connect(guard_, &FileGuard::reloadWanted, this, &DocumentFiles::reload);
    connect(guard_, &FileGuard::saveAsWanted, this, &DocumentFiles::saveAs);
    connect(&document_, &Document::replaced, this, [this] { lossesToldFor_.clear(); });
    // Every save that keeps a version, and every other file, says so.
    connect(&document_, &Document::fileSet, this, &DocumentFiles::versionsChanged);
}

void DocumentFiles::attachRecovery(RecoveryStore& store, Autosave& autosave) { guard_->attachRecovery(store, autosave); }

QString DocumentFiles::dialogFolder() const { return fileDialogFolder(document_); }

// ---- Opening ----

void DocumentFiles::makeNew() {
    guard_->released();
    document_.makeNew();
}

bool DocumentFiles::openBytes(const QString& file, QByteArray bytes, const ByteSurvey& survey,
                              const QString& documentName) {
    bool readOnly = false;
    if (!guard_->claim(file, readOnly)) return false;
    if (const FileError failure = document_.load(std::move(bytes), file, documentName, survey); failure.isError()) {
        questions_.showFileError(failure);
        guard_->kept();
        return false;
    }
    guard_->opened(readOnly);
    return true;
}

void DocumentFiles::startUp(const StartUp& start) {
    if (guard_->offerRecovery()) return;
    const bool named = !start.namedFile.isEmpty();
    const QString file = named ? start.namedFile : start.rememberedFile;
    if (!named && (file.isEmpty() || !start.openRemembered)) {
        makeNew();
        return;
    }
    QByteArray bytes;
    FileError error;
    ByteSurvey survey;
    const ReadResult read = readWholeFile(file, bytes, error, &survey);
    if (read != ReadResult::Read) {
        // A file the user named must be there; a remembered one may have gone.
        if (named || read == ReadResult::CannotRead) questions_.showFileError(error);
        makeNew();
        return;
    }
    try {
        // The document node is named after the file, which the top row shows.
        if (openBytes(file, std::move(bytes), survey, file)) {
            emit remembered(file);
            return;
        }
    } catch (const std::exception& failure) {
        questions_.showFileError(FileError::ofReading(file, failure));
    }
    makeNew();
}

void DocumentFiles::newDocument() {
    if (maySetAside()) makeNew();
}

void DocumentFiles::open() {
    if (!maySetAside()) return;
    const QString chosen = questions_.openFileName(openFileRequest(document_));
    if (!chosen.isEmpty()) openChosen(chosen);
}

void DocumentFiles::openRecent(const QString& file) {
    if (!QFileInfo::exists(file)) {
        emit recentGone(file);
        questions_.inform(QString("%1 is no longer there. It has been removed from the recent files.").arg(file),
                          "File Error");
        return;
    }
    if (maySetAside()) openChosen(file);
}

void DocumentFiles::openChosen(const QString& file) {
    QByteArray bytes;
    FileError error;
    ByteSurvey survey;
    // The document keeps its file until another file is really read, so a
    // later Save cannot write it over a file it never came from.
    if (readWholeFile(file, bytes, error, &survey) != ReadResult::Read) {
        questions_.showFileError(error);
        return;
    }
    try {
        if (!openBytes(file, std::move(bytes), survey, Document::newDocumentName())) return;
    } catch (const std::exception& failure) {
        questions_.showFileError(FileError::ofReading(file, failure));
        makeNew();
        return;
    }
    emit remembered(file);
}

void DocumentFiles::reload() {
    QByteArray bytes;
    FileError error;
    ByteSurvey survey;
    const QString file = document_.fileName();
    if (readWholeFile(file, bytes, error, &survey) != ReadResult::Read) {
        questions_.showFileError(error);
        return;
    }
    if (readInPlace(bytes, file, survey)) guard_->warnIfNotXml();
}

bool DocumentFiles::readInPlace(const QByteArray& bytes, const QString& source, const ByteSurvey& survey) {
    const Route route = routeTo(selection_.currentNode());
    const QString documentName = document_.text().toText(document_.documentNode()->nodeName());
    // Another Corvantis still holds the file.
    const bool readOnly = document_.isReadOnly();
    try {
        if (const FileError failure = document_.load(bytes, document_.fileName(), documentName, survey);
            failure.isError()) {
            questions_.showFileError(failure);
            return false;
        }
    } catch (const std::exception& failure) {
        questions_.showFileError(FileError::ofReading(source, failure));
        makeNew();
        return false;
    }
    document_.setReadOnly(readOnly);
    selection_.select(follow(route, document_.documentNode()));
    return true;
}

// ---- Saving ----

bool DocumentFiles::maySetAside() {
    if (!document_.hasUnsavedChanges()) return true;
    switch (questions_.message("File details have changed Save Changes?", "Details have changed",
                               UserQuestions::Buttons::YesNoCancel)) {
        // The changes must not be lost: a save that did not happen keeps everything as it was.
        case UserQuestions::Answer::Yes: return save();
        case UserQuestions::Answer::No: document_.dropChanges(); return true;
        default: return false;
    }
}

bool DocumentFiles::offerSaveAs(const FileError& error) {
    return questions_.askAfterFileError(error, "Save it under another name with Save As?") && saveAs();
}

bool DocumentFiles::acceptLosses(const QString& file, const QStringList& losses, bool& savedElsewhere) {
    savedElsewhere = false;
    if (losses.isEmpty() || lossesToldFor_ == file) return true;
    const QString text = QDir::toNativeSeparators(file) +
                         "\n\nSaving replaces this file by a new one, which cannot keep:\n- " + losses.join("\n- ") +
                         "\n\nSave it anyway (Yes), or save under another name with Save As (No)?";
    switch (questions_.message(text, "Save", UserQuestions::Buttons::YesNoCancel)) {
        case UserQuestions::Answer::Yes: lossesToldFor_ = file; return true;
        case UserQuestions::Answer::No: savedElsewhere = saveAs(); return false;
        default: return false;
    }
}

bool DocumentFiles::save() {
    if (!document_.commitPendingEdits()) return false;
    // A save ends a cut mark; a copy mark stays.
    selection_.rows().dropCutMark();
    if (document_.isNew()) return saveAs();
    // A read-only document is refused with its reason, changed or not.
    if (document_.isReadOnly()) return guard_->mayOverwrite();
    const QString file = document_.fileName();
    // Nothing to write: the file stays exactly as it is, unless it has gone
    // or another program changed it (then the questions below decide).
    if (!document_.hasUnsavedChanges() && QFileInfo::exists(file) && !guard_->changedOnDisk()) {
        emit note(tr("No changes to save: %1 is as it was saved.").arg(QDir::toNativeSeparators(file)));
        return true;
    }
    if (!guard_->mayOverwrite()) return false;
    const SaveTarget target = SaveTarget::inspect(file);
    if (target.refusal.isError()) {
        if (target.refusal.cannotWriteHere) return offerSaveAs(target.refusal);
        questions_.showFileError(target.refusal);
        return false;
    }
    bool savedElsewhere = false;
    if (!acceptLosses(file, target.losses, savedElsewhere)) return savedElsewhere;
    const Document::FileBytes bytes = document_.fileBytes();
    const std::unique_ptr<SaveVersion> version = versionForSave();
    const SaveOutcome outcome = saveFileAtomically(target, bytes.view(), version.get());
    if (version && outcome.status != SaveOutcome::Status::Failed)
        versionDone(file, static_cast<qint64>(bytes.view().size()), *version);
    if (outcome.status == SaveOutcome::Status::Saved) {
        document_.saved(file);
        return true;
    }
    if (outcome.status == SaveOutcome::Status::Failed && outcome.error.cannotWriteHere)
        return offerSaveAs(outcome.error);
    questions_.showFileError(outcome.error);
    return false;
}

bool DocumentFiles::saveAs() {
    if (!document_.commitPendingEdits()) return false;
    selection_.rows().dropCutMark();
    const Document::FileBytes bytes = document_.fileBytes();
    const std::unique_ptr<SaveVersion> version = versionForSave();
    const SaveAsResult result = ::saveAs(questions_, dialogFolder(), bytes.view(), version.get());
    if (!result.written()) return false;
    if (version) versionDone(result.name, static_cast<qint64>(bytes.view().size()), *version);
    // The document belongs to the file written, even when that write is not
    // confirmed: a later Save goes there, without another backup.
    document_.setDocumentName(result.name);
    if (result.status == SaveAsResult::Status::Saved)
        document_.saved(result.name);
    else
        document_.writtenTo(result.name);
    guard_->savedAs(result.name);
    emit remembered(result.name);
    selection_.select(document_.documentNode());
    return result.status == SaveAsResult::Status::Saved;
}

SaveAsResult DocumentFiles::saveTextAs(std::string_view bytes) { return ::saveAs(questions_, dialogFolder(), bytes); }

// ---- Versions ----

std::unique_ptr<SaveVersion> DocumentFiles::versionForSave() const {
    return versions_ && keepVersions_ ? std::make_unique<SaveVersion>(*versions_) : nullptr;
}

void DocumentFiles::versionDone(const QString& file, qint64 size, const SaveVersion& version) {
    if (version.kept()) {
        versions_->prune(file, size);
        if (versionProblemFile_ == file) versionProblemFile_.clear();
        return;
    }
    // Nothing was replaced (a new file): nothing to keep.
    if (!version.problem().isError()) return;
    versionProblem_ = tr("Saved, but the file it replaced could not be kept as a version (%1: %2).")
                          .arg(QDir::toNativeSeparators(version.problem().path), version.problem().reason);
    if (versionProblemFile_ == file) return;
    versionProblemFile_ = file;
    emit note(versionProblem_);
}

QList<Version> DocumentFiles::versions() const {
    if (!versions_ || document_.isNew()) return {};
    return versions_->versions(document_.fileName());
}

QString DocumentFiles::versionProblem() const {
    return !document_.isNew() && versionProblemFile_ == document_.fileName() ? versionProblem_ : QString();
}

bool DocumentFiles::versionText(const Version& version, StringObject& text) {
    QByteArray bytes;
    FileError error;
    if (readWholeFile(version.path, bytes, error) != ReadResult::Read) {
        questions_.showFileError(error);
        return false;
    }
    const QByteArray read = decodeFile(bytes).text;
    text.assign(read.constData(), static_cast<std::size_t>(read.size()));
    return true;
}

bool DocumentFiles::restoreVersion(const Version& version) {
    if (document_.isNew()) return false;
    QByteArray bytes;
    FileError error;
    // Read before the unsaved-changes question: saving them may prune it.
    if (readWholeFile(version.path, bytes, error) != ReadResult::Read) {
        questions_.showFileError(error);
        return false;
    }
    if (!maySetAside() || !readInPlace(bytes, version.path)) return false;
    document_.markUnsaved();
    guard_->warnIfNotXml();
    emit note(tr("The version saved %1 is the document now; Save writes it to %2.")
                  .arg(QLocale().toString(version.saved, QLocale::ShortFormat),
                       QDir::toNativeSeparators(document_.fileName())));
    return true;
}
