#include "window/pgn/PgnSlotWidget.h"

#include <QLayout>

#include "ui_frmPgnSlot.h"

namespace j1939 {

PgnSlotWidget::PgnSlotWidget(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::frmPgnSlot>()) {
  ui_->setupUi(this);
}

PgnSlotWidget::~PgnSlotWidget() = default;

void PgnSlotWidget::setSlot(int slot) {
  Q_ASSERT(slot == 0 || slot == 1);
  const QString number = QString::number(slot + 1);
  setTitle(title().replace(QLatin1Char('#'), number));
  for (QWidget* control : findChildren<QWidget*>()) {
    control->setObjectName(control->objectName() + number);
    control->setAccessibleName(control->accessibleName().replace(QLatin1Char('#'), number));
  }
  for (QLayout* layout : findChildren<QLayout*>())
    layout->setObjectName(layout->objectName() + number);
  // The second slot's captions have always been spaced a little differently.
  if (slot == 1) {
    ui_->lblPF->setText(tr("PF( hex):"));
    ui_->lblPS->setText(tr("PS( hex):"));
    ui_->lblParameterPosCaption->setText(tr("Position"));
  }
}

PgnSlotControls PgnSlotWidget::controls() const {
  return {ui_->cmbUpdateRate,   ui_->cmbPriority, ui_->chkReserveBit,
          ui_->chkDatapage,     ui_->txtPF,       ui_->txtPS,
          ui_->txtDatalength,   ui_->txtPGN,      ui_->cmbParameterType,
          ui_->txtParameterPos, ui_->chkDeletePGN};
}

QList<QWidget*> PgnSlotWidget::tabOrder() const {
  return {ui_->cmbUpdateRate,   ui_->cmbPriority,   ui_->chkReserveBit,
          ui_->chkDatapage,     ui_->txtPF,         ui_->txtPS,
          ui_->txtPGN,          ui_->txtDatalength, ui_->cmbParameterType,
          ui_->txtParameterPos, ui_->chkDeletePGN};
}

}  // namespace j1939

#include "moc_PgnSlotWidget.cpp"
