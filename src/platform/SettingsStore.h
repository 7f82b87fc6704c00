#pragma once

#include <QString>

// Per-user string values under a section and a key, kept by the desktop under
// the application title.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual bool contains(const QString& section, const QString& key) const = 0;
  virtual QString value(const QString& section, const QString& key) const = 0;
  virtual void setValue(const QString& section, const QString& key, const QString& value) = 0;
  // Writes what was set to permanent storage.
  virtual void sync() = 0;
};

class QtSettingsStore : public SettingsStore {
 public:
  bool contains(const QString& section, const QString& key) const override;
  QString value(const QString& section, const QString& key) const override;
  void setValue(const QString& section, const QString& key, const QString& value) override;
  void sync() override;
};
