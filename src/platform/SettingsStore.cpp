#include "platform/SettingsStore.h"

#include <QSettings>

#include "config/AppInfo.h"

namespace {
QString path(const QString& section, const QString& key) {
  return section + QLatin1Char('/') + key;
}
}  // namespace

QtSettingsStore::QtSettingsStore() = default;
QtSettingsStore::~QtSettingsStore() = default;

QSettings& QtSettingsStore::current() const {
  if (!settings_)
    settings_ = std::make_unique<QSettings>(kAppTitle, kAppTitle);
  else
    settings_->sync();
  return *settings_;
}

bool QtSettingsStore::contains(const QString& section, const QString& key) const {
  return current().contains(path(section, key));
}

QString QtSettingsStore::value(const QString& section, const QString& key) const {
  // A value written by hand with a comma and no quotes (COM2=/dev/a,b) comes
  // back from the INI file as a list, which toString() turns into an empty
  // text; joined again it is the text that was written.
  const QVariant value = current().value(path(section, key));
  if (value.typeId() == QMetaType::QStringList) return value.toStringList().join(QLatin1Char(','));
  return value.toString();
}

void QtSettingsStore::setValue(const QString& section, const QString& key, const QString& value) {
  current().setValue(path(section, key), value);
}

void QtSettingsStore::sync() {
  current().sync();
}
