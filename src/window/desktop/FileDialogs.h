#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

namespace j1939 {

// The open and save dialogs of the File commands. One dialog serves both, so
// each use starts with the name chosen last, in either kind.
class FileDialogs {
 public:
  virtual ~FileDialogs() = default;
  // The filter is given as "description|pattern" pairs. Returns the full path
  // of the chosen file, or an empty string when the user cancelled.
  virtual QString getOpenFileName(const QString& title, const QString& filter) = 0;
  virtual QString getSaveFileName(const QString& title, const QString& filter) = 0;
};

// "J1939 Configure File (*.cfg)|*.cfg" -> "J1939 Configure File (*.cfg)"
QString ToQtNameFilters(const QString& filter);

class QtFileDialogs : public FileDialogs {
 public:
  void setOwner(QWidget* owner) { owner_ = owner; }
  QString getOpenFileName(const QString& title, const QString& filter) override;
  QString getSaveFileName(const QString& title, const QString& filter) override;

 private:
  QString run(bool save, const QString& title, const QString& filter);
  QPointer<QWidget> owner_;
  QString lastName_;
};

}  // namespace j1939
