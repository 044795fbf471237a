#include "app/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

bool RunProgram(const QString& path) {
    if (!QFileInfo(path).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}
