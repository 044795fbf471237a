#include "widgets/SettingsStore.h"

#include <QSettings>

namespace {

const char* const Group = "MyBusiness";

QString userStorePath() {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Velmora", "MyBusiness");
    return store.fileName();
}

// One open of the store for one read or write; closing syncs it to disk.
class OpenStore {
public:
    explicit OpenStore(const QString& path) : settings_(path, QSettings::IniFormat) {
        settings_.beginGroup(Group);
    }
    ~OpenStore() {
        settings_.endGroup();
        settings_.sync();
    }
    QSettings* operator->() { return &settings_; }

private:
    QSettings settings_;
};

}  // namespace

SettingsStore::SettingsStore() : iniPath_(userStorePath()) {}

SettingsStore::SettingsStore(const QString& iniPath) : iniPath_(iniPath) {}

bool SettingsStore::contains(const QString& name) const {
    OpenStore store(iniPath_);
    return store->contains(name);
}

QString SettingsStore::readText(const QString& name, const QString& fallback) const {
    OpenStore store(iniPath_);
    const QVariant value = store->value(name);
    return value.isValid() ? value.toString() : fallback;
}

int SettingsStore::readInt(const QString& name, int fallback) const {
    bool ok = false;
    const int value = readText(name, QString()).trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

bool SettingsStore::readBool(const QString& name, bool fallback) const {
    const QString text = readText(name, QString()).trimmed().toLower();
    if (text == "1" || text == "true") return true;
    if (text == "0" || text == "false") return false;
    return fallback;
}

void SettingsStore::writeText(const QString& name, const QString& value) {
    OpenStore store(iniPath_);
    store->setValue(name, value);
}

void SettingsStore::writeInt(const QString& name, int value) { writeText(name, QString::number(value)); }

void SettingsStore::writeBool(const QString& name, bool value) { writeText(name, value ? "1" : "0"); }

void SettingsStore::remove(const QStringList& names) {
    OpenStore store(iniPath_);
    for (const QString& name : names) store->remove(name);
}
