#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <memory>

#include "rules/system/Failure.h"

class QSettings;

namespace j1939 {

// Per-user string values under a section and a key, kept by the desktop under
// the application title.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual bool contains(const QString& section, const QString& key) const = 0;
  virtual QString value(const QString& section, const QString& key) const = 0;
  virtual void setValue(const QString& section, const QString& key, const QString& value) = 0;
  // Writes what was set to permanent storage; a failure names the settings
  // file and says why it could not be written.
  virtual MaybeFailure sync() = 0;
};

// One QSettings for the run, made at its first use: making one reads the
// desktop's paths anew, and the sixteen port names are read at start-up.
class QtSettingsStore : public SettingsStore {
 public:
  // The desktop's per-user file; tests name a file of their own.
  explicit QtSettingsStore(QString file = QString());
  ~QtSettingsStore() override;
  bool contains(const QString& section, const QString& key) const override;
  QString value(const QString& section, const QString& key) const override;
  void setValue(const QString& section, const QString& key, const QString& value) override;
  MaybeFailure sync() override;

 private:
  // Up to date with the file: a value edited by hand while the tool runs is
  // the one read in the event loop's next pass.
  QSettings& current() const;
  QString file_;
  mutable std::unique_ptr<QSettings> settings_;
  mutable bool readThisPass_ = false;
  QObject pass_;  // ends the pass's reading: gone with the store
};

// A store with values laid over it for this run only (the configurator's
// command line names the device of a port): a value held for the run is the
// one read, and it never reaches the store below, so nothing the run was
// started with outlives it. Everything else reads and writes through.
class RunOnlySettings : public SettingsStore {
 public:
  explicit RunOnlySettings(SettingsStore& stored) : stored_(stored) {}
  void holdForRun(const QString& section, const QString& key, const QString& value);
  bool isHeldForRun(const QString& section, const QString& key) const;

  bool contains(const QString& section, const QString& key) const override;
  QString value(const QString& section, const QString& key) const override;
  // Setting a value held for the run changes the held value: it stays out of
  // the store.
  void setValue(const QString& section, const QString& key, const QString& value) override;
  MaybeFailure sync() override { return stored_.sync(); }

 private:
  SettingsStore& stored_;
  QHash<QString, QString> held_;  // "section/key" -> value
};

}  // namespace j1939
