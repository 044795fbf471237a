#include "app/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

RunResult RunProgram(const QString& path) {
    if (!QFileInfo(path).isFile()) return RunResult::Missing;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()))
               ? RunResult::Opened
               : RunResult::NoProgram;
}
