#include "document/SaveAs.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "document/Document.h"
#include "document/SaveFile.h"
#include "document/UserQuestions.h"

QString withXmlExtension(const QString& name) {
    return name.endsWith(".xml", Qt::CaseInsensitive) ? name : name + ".XML";
}

SaveAsResult saveAs(UserQuestions& dialogs, const QString& startFolder, std::string_view bytes,
                    ReplacedFileKeeper* keeper) {
    UserQuestions::FileRequest request{"Enter Corvantis FileName", "Corvantis files (*.XML)|*.XML|All Files (*.*)|*.*",
                                       QString(), startFolder};
    request.askBeforeReplacing = false;
    const QString chosen = dialogs.saveFileName(request);
    if (chosen.isEmpty()) return {};

    const QString name = withXmlExtension(chosen);
    const SaveTarget target = SaveTarget::inspect(name);
    if (target.refusal.isError()) {
        dialogs.showFileError(target.refusal);
        return {SaveAsResult::Status::Failed, QString()};
    }
    if (QFileInfo::exists(name)) {
        const QString backup = SaveAsBackup::backupName(name);
        if (dialogs.message(QString("%1 already exists.\nDo you want to replace it? It is kept as %2.")
                                .arg(QDir::toNativeSeparators(name), backup),
                            "Confirm Save As", UserQuestions::Buttons::YesNo) != UserQuestions::Answer::Yes)
            return {};
        FileError error;
        if (!SaveAsBackup::make(name, &error)) {
            dialogs.showFileError(FileError::writing(
                name, QString("Its backup %1 could not be made (%2), so it was not replaced.").arg(backup, error.reason)));
            return {SaveAsResult::Status::Failed, QString()};
        }
        dialogs.inform(backup, "Backup File Created");
    }
    const SaveOutcome outcome = saveFileAtomically(target, bytes, keeper);
    if (outcome.status != SaveOutcome::Status::Saved) dialogs.showFileError(outcome.error);
    switch (outcome.status) {
        case SaveOutcome::Status::Saved:
            return {SaveAsResult::Status::Saved, name};
        case SaveOutcome::Status::NotConfirmed:
            return {SaveAsResult::Status::NotConfirmed, name};
        case SaveOutcome::Status::Failed:
            break;
    }
    return {SaveAsResult::Status::Failed, QString()};
}

QString fileDialogFolder(const Document& document) {
    // A new document's name is no path.
    const QFileInfo file(document.fileName());
    if (file.isAbsolute()) return file.absolutePath();
    // A dialog started in a folder that is not there offers its name as the file's.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

UserQuestions::FileRequest openFileRequest(const Document& document) {
    return {"Enter Velmora FileName", "Velmora files (*.XML)|*.XML|All Files (*.*)|*.*",
            document.isNew() ? QString() : document.fileName(), fileDialogFolder(document)};
}
