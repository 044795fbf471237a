#include "widgets/RecentFiles.h"

#include <QDir>

#include "widgets/SettingsStore.h"

namespace {

QString valueName(int index) { return QString("RecentFile%1").arg(index + 1); }

}  // namespace

QStringList RecentFiles::files() const {
    QStringList files;
    for (int i = 0; i < Size; ++i) {
        const QString file = settings_.readText(valueName(i), QString());
        if (!file.isEmpty() && !files.contains(file)) files << file;
    }
    return files;
}

void RecentFiles::add(const QString& file) {
    const QString path = QDir::cleanPath(file);
    if (path.isEmpty()) return;
    QStringList list = files();
    list.removeAll(path);
    list.prepend(path);
    store(list);
}

void RecentFiles::remove(const QString& file) {
    QStringList list = files();
    list.removeAll(QDir::cleanPath(file));
    store(list);
}

void RecentFiles::store(const QStringList& files) {
    QStringList gone;
    for (int i = 0; i < Size; ++i) {
        if (i < files.size())
            settings_.writeText(valueName(i), files[i]);
        else
            gone << valueName(i);
    }
    settings_.remove(gone);
}
