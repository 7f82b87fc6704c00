#include "window/desktop/FileDialogs.h"

#include <QFileDialog>
#include <QStringList>

namespace j1939 {

QString ToQtNameFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString description = parts.at(i);
    const QString pattern = i + 1 < parts.size() ? parts.at(i + 1) : QString();
    if (!pattern.isEmpty() && !description.contains(QLatin1Char('(')))
      description += QStringLiteral(" (%1)").arg(pattern);
    filters << description;
  }
  return filters.join(QStringLiteral(";;"));
}

QString QtFileDialogs::getOpenFileName(const QString& title, const QString& filter) {
  return run(false, title, filter);
}

QString QtFileDialogs::getSaveFileName(const QString& title, const QString& filter) {
  return run(true, title, filter);
}

QString QtFileDialogs::run(bool save, const QString& title, const QString& filter) {
  QFileDialog dialog(owner_.data(), title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Open takes only a file that exists, so that a mistyped name is answered in
  // the dialog. Save As takes any name exactly as chosen: no default suffix and
  // no overwrite prompt.
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(ToQtNameFilters(filter));
  if (!lastName_.isEmpty()) dialog.selectFile(lastName_);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return {};
  lastName_ = chosen.first();
  return lastName_;
}

}  // namespace j1939
