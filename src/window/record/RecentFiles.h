#pragma once

#include <QObject>
#include <QStringList>

#include "rules/system/Failure.h"

class QMenu;

namespace j1939 {

class SettingsStore;

// File > "Recent Files": the last eight files opened or saved, newest first,
// kept in the settings store (section "RecentFiles", keys File1 to File8) so
// that the next run lists them too, with a way to clear the list.
class RecentFiles : public QObject {
  Q_OBJECT
 public:
  static constexpr int kKept = 8;

  RecentFiles(QMenu* menu, SettingsStore& settings, QObject* parent = nullptr);

  // The file goes to the top of the list.
  void add(const QString& path);
  void remove(const QString& path);
  void clear();
  QStringList files() const { return files_; }

 signals:
  void openRequested(const QString& path);
  // The settings file could not take the list.
  void notStored(const Failure& failure);

 private:
  void store();
  void rebuildMenu();

  QMenu* menu_;
  SettingsStore& settings_;
  QStringList files_;
};

}  // namespace j1939
