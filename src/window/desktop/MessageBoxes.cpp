#include "window/desktop/MessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::show(const QString& prompt, const QString& title, MessageIcon icon) {
  QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::NoIcon,
                  title, prompt, QMessageBox::Ok, owner_.data());
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}
