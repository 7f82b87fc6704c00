#include "window/fields/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

int checkValue(const QCheckBox* box) {
  switch (box->checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
    case Qt::Unchecked:
      break;
  }
  return 0;
}

bool setCheckValue(QCheckBox* box, int value) {
  switch (value) {
    case 0:
      box->setCheckState(Qt::Unchecked);
      return true;
    case 1:
      box->setCheckState(Qt::Checked);
      return true;
    case 2:
      box->setCheckState(Qt::PartiallyChecked);
      return true;
    default:
      return false;
  }
}

bool setListIndex(QComboBox* list, int index) {
  if (index < -1 || index >= list->count()) return false;
  list->setCurrentIndex(index);
  return true;
}

void selectAll(QLineEdit* box) {
  box->setSelection(0, static_cast<int>(box->text().size()));
}

void focusAndSelect(QLineEdit* box) {
  box->setFocus(Qt::OtherFocusReason);
  selectAll(box);
}
