#include "window/record/RecentFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include "rules/system/SettingsStore.h"

namespace j1939 {

namespace {
const QString kRecentSection = QStringLiteral("RecentFiles");
QString key(int n) {
  return QStringLiteral("File%1").arg(n);
}
}  // namespace

RecentFiles::RecentFiles(QMenu* menu, SettingsStore& settings, QObject* parent)
    : QObject(parent), menu_(menu), settings_(settings) {
  for (int n = 1; n <= kKept; ++n) {
    const QString path = settings_.value(kRecentSection, key(n));
    if (!path.isEmpty() && !files_.contains(path)) files_ << path;
  }
  rebuildMenu();
}

void RecentFiles::add(const QString& path) {
  const QString file = QFileInfo(path).absoluteFilePath();
  if (!files_.isEmpty() && files_.constFirst() == file) return;
  files_.removeAll(file);
  files_.prepend(file);
  while (files_.size() > kKept) files_.removeLast();
  store();
}

void RecentFiles::remove(const QString& path) {
  if (files_.removeAll(path) > 0) store();
}

void RecentFiles::clear() {
  files_.clear();
  store();
}

void RecentFiles::store() {
  // Every key written, so that a shorter list leaves no old entry behind.
  for (int n = 1; n <= kKept; ++n) settings_.setValue(kRecentSection, key(n), files_.value(n - 1));
  if (const MaybeFailure failure = settings_.sync()) emit notStored(*failure);
  rebuildMenu();
}

void RecentFiles::rebuildMenu() {
  menu_->clear();
  for (int i = 0; i < files_.size(); ++i) {
    const QString path = files_[i];
    QAction* entry =
        menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this,
                         [this, path] { emit openRequested(path); });
    entry->setToolTip(QDir::toNativeSeparators(path));
    entry->setStatusTip(QDir::toNativeSeparators(path));
  }
  if (!files_.isEmpty()) menu_->addSeparator();
  QAction* clearing = menu_->addAction(tr("&Clear Recent Files"), this, [this] { clear(); });
  clearing->setObjectName(QStringLiteral("mnuFileRecentClear"));
  clearing->setEnabled(!files_.isEmpty());
  menu_->setEnabled(!files_.isEmpty());
}

}  // namespace j1939

#include "moc_RecentFiles.cpp"
