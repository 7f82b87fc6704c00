#include "platform/SettingsStore.h"

#include <QSettings>

#include "ui/AppInfo.h"

namespace {
QString path(const QString& section, const QString& key) {
  return section + QLatin1Char('/') + key;
}
}  // namespace

bool QtSettingsStore::contains(const QString& section, const QString& key) const {
  return QSettings(kAppTitle, kAppTitle).contains(path(section, key));
}

QString QtSettingsStore::value(const QString& section, const QString& key) const {
  return QSettings(kAppTitle, kAppTitle).value(path(section, key)).toString();
}

void QtSettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
  QSettings(kAppTitle, kAppTitle).setValue(path(section, key), value);
}

void QtSettingsStore::sync() {
  QSettings(kAppTitle, kAppTitle).sync();
}
