#include "window/desktop/MessageBoxes.h"

#include <QMessageBox>

namespace j1939 {

void QtMessageBoxes::show(const QString& prompt, const QString& title, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                  title, prompt, QMessageBox::Ok, owner_.data());
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

SaveAnswer QtMessageBoxes::askToSave(const QString& prompt, const QString& title) {
  QMessageBox box(QMessageBox::Warning, title, prompt,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, owner_.data());
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  box.setWindowModality(Qt::ApplicationModal);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveAnswer::Save;
    case QMessageBox::Discard:
      return SaveAnswer::Discard;
    default:
      return SaveAnswer::Cancel;
  }
}

}  // namespace j1939
