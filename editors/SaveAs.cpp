#include "editors/SaveAs.h"

#include <QFile>
#include <QFileInfo>

#include "document/SaveFile.h"
#include "widgets/UserDialogs.h"

namespace {

void showFileError(QWidget* parent, UserDialogs& dialogs) {
    dialogs.inform(parent, "Can't perform one of the following file operations: Open, Seek, Read, Close.",
                   "File Error");
}

}  // namespace

QString saveAsWithBackup(QWidget* parent, UserDialogs& dialogs, const QString& programFolder, std::string_view bytes) {
    const QString chosen = dialogs.saveFileName(
        parent, {"Enter Corvantis  FileName", " Corvantis files (*.XML)|*.XML|All Files (*.*)|*.*", QString(), programFolder});
    if (chosen.isEmpty()) return QString();

    const bool replacesFile = QFileInfo::exists(chosen);
    if (replacesFile) {
        if (!SaveAsBackup::make(chosen)) {
            showFileError(parent, dialogs);
            return QString();
        }
        dialogs.inform(parent, SaveAsBackup::backupName(chosen), "Backup File Created");
    }
    const QString name = withXmlExtension(chosen);
    if (!saveFileAtomically(name, bytes)) {
        showFileError(parent, dialogs);
        return QString();
    }
    if (replacesFile && name != chosen && SaveAsBackup::backupPath(chosen) != QFileInfo(chosen).absoluteFilePath())
        QFile::remove(chosen);
    return name;
}
