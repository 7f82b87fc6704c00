#pragma once

#include <QString>
#include <memory>

#include "rules/system/Failure.h"

class QSettings;

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
  // the one read next.
  QSettings& current() const;
  QString file_;
  mutable std::unique_ptr<QSettings> settings_;
};
