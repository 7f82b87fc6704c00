#include "window/fields/Controls.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

namespace j1939 {

int CheckValue(const QCheckBox* box) {
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

bool SetCheckValue(QCheckBox* box, int value) {
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

bool SetListIndex(QComboBox* list, int index) {
  if (index < -1 || index >= list->count()) return false;
  list->setCurrentIndex(index);
  return true;
}

void SelectAll(QLineEdit* box) {
  box->setSelection(0, static_cast<int>(box->text().size()));
}

void FocusAndSelect(QLineEdit* box) {
  box->setFocus(Qt::OtherFocusReason);
  SelectAll(box);
}

namespace {
// A caption as the user reads it: no mnemonic, no colon after it.
QString plain(QString caption) {
  caption.remove(QRegularExpression(QStringLiteral("&(?=[^&])")));
  caption = caption.trimmed();
  while (caption.endsWith(QLatin1Char(':'))) caption = caption.chopped(1).trimmed();
  return caption;
}
}  // namespace

QString CaptionOf(const QWidget* control) {
  QString caption;
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) caption = button->text();
  for (const QLabel* label : control->window()->findChildren<QLabel*>()) {
    if (!caption.isEmpty()) break;
    if (label->buddy() == control) caption = label->text();
  }
  caption =
      QStringLiteral("\"%1\"").arg(plain(caption.isEmpty() ? control->accessibleName() : caption));
  for (const QWidget* parent = control->parentWidget(); parent; parent = parent->parentWidget())
    if (const auto* group = qobject_cast<const QGroupBox*>(parent))
      return QStringLiteral("%1 in \"%2\"").arg(caption, plain(group->title()));
  return caption;
}

}  // namespace j1939
