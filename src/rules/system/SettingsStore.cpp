#include "rules/system/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include "rules/system/AppInfo.h"

namespace j1939 {

namespace {
QString path(const QString& section, const QString& key) {
  return section + QLatin1Char('/') + key;
}

// Why QSettings could not write its file; it says no more than "access".
QString writeRefusal(const QSettings& settings) {
  if (settings.status() == QSettings::FormatError)
    return QCoreApplication::translate("SettingsStore", "it is not a settings file");
  const QFileInfo file(settings.fileName());
  const QFileInfo folder(file.absolutePath());
  if (file.isDir()) return QCoreApplication::translate("SettingsStore", "it is a folder");
  if (file.exists() && !file.isWritable())
    return QCoreApplication::translate("SettingsStore", "the file is read-only");
  if (!folder.isDir())
    return QCoreApplication::translate("SettingsStore", "its folder %1 cannot be made")
        .arg(QDir::toNativeSeparators(folder.filePath()));
  if (!folder.isWritable())
    return QCoreApplication::translate("SettingsStore", "its folder %1 cannot be written")
        .arg(QDir::toNativeSeparators(folder.filePath()));
  return QCoreApplication::translate("SettingsStore", "the disk may be full");
}

}  // namespace

QtSettingsStore::QtSettingsStore(QString file) : file_(std::move(file)) {}
QtSettingsStore::~QtSettingsStore() = default;

QSettings& QtSettingsStore::current() const {
  if (!settings_)
    settings_ = file_.isEmpty() ? std::make_unique<QSettings>(kAppTitle, kAppTitle)
                                : std::make_unique<QSettings>(file_, QSettings::IniFormat);
  else if (!readThisPass_)
    settings_->sync();
  // A hand edit lands between two passes of the event loop, never within one:
  // the reads of one pass (the sixteen port names, say) share one look at the
  // files, each of which costs a dozen file system calls.
  if (!readThisPass_) {
    readThisPass_ = true;
    QTimer::singleShot(0, &pass_, [this] { readThisPass_ = false; });
  }
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

MaybeFailure QtSettingsStore::sync() {
  QSettings& settings = current();
  settings.sync();
  if (settings.status() == QSettings::NoError) return std::nullopt;
  return Failure{QCoreApplication::translate("SettingsStore", "Cannot write the settings file %1")
                     .arg(QDir::toNativeSeparators(settings.fileName())),
                 writeRefusal(settings)};
}

void RunOnlySettings::holdForRun(const QString& section, const QString& key, const QString& value) {
  held_.insert(path(section, key), value);
}

bool RunOnlySettings::isHeldForRun(const QString& section, const QString& key) const {
  return held_.contains(path(section, key));
}

bool RunOnlySettings::contains(const QString& section, const QString& key) const {
  return isHeldForRun(section, key) || stored_.contains(section, key);
}

QString RunOnlySettings::value(const QString& section, const QString& key) const {
  const auto held = held_.constFind(path(section, key));
  return held != held_.cend() ? *held : stored_.value(section, key);
}

void RunOnlySettings::setValue(const QString& section, const QString& key, const QString& value) {
  const auto held = held_.find(path(section, key));
  if (held != held_.end())
    *held = value;
  else
    stored_.setValue(section, key, value);
}

}  // namespace j1939
