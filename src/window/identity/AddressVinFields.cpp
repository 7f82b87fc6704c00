#include "window/identity/AddressVinFields.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

#include "rules/identity/IdentityRules.h"
#include "ui_frmMain.h"
#include "window/desktop/MessageBoxes.h"
#include "window/fields/Controls.h"

namespace j1939 {

namespace {
// An emptied box is left for the user to finish and stores as 0.
HexByteFieldRule addressRule() {
  HexByteFieldRule rule = HexByteMessages(AddressVinFields::tr("J1939 Address must be hex"),
                                          AddressVinFields::tr("J1939 Address must be 0 to 7F"),
                                          AddressVinFields::tr("You must enter hex 0 to 7F"));
  rule.whenEmpty = HexByteFieldRule::WhenEmpty::LeaveEmpty;
  rule.whenNotHex = HexByteFieldRule::WhenNotHex::WriteZeroAndSelect;
  rule.limit = kMaxSourceAddress;
  return rule;
}

// The focus moves on by the user's own doing: Tab, Shift+Tab, a click or a
// mnemonic. A message box, a menu or another application takes it with
// ActiveWindowFocusReason or PopupFocusReason, and the VIN check itself gives
// it back with OtherFocusReason; none of those is a leaving of the box.
bool userMovedFocus(Qt::FocusReason reason) {
  return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}
}  // namespace

AddressVinFields::AddressVinFields(Ui::frmMain& form, MessageBoxes& messages)
    : txtJ1939Addr_(form.txtJ1939Addr),
      txtVIN_(form.txtVIN),
      messages_(messages),
      address_(form.txtJ1939Addr, addressRule(), messages, nullptr, {}) {
  connect(txtJ1939Addr_, &QLineEdit::textChanged, this, &AddressVinFields::checkAddress);
  txtVIN_->installEventFilter(this);
}

AddressVinFields::~AddressVinFields() = default;

void AddressVinFields::checkAddress() {
  address_.Change();
}

bool AddressVinFields::eventFilter(QObject* watched, QEvent* event) {
  if (watched != txtVIN_ || event->type() != QEvent::FocusOut || vinCheckQueued_)
    return QObject::eventFilter(watched, event);
  const QWidget* next = QApplication::focusWidget();  // already the widget taking the focus
  if (userMovedFocus(static_cast<QFocusEvent*>(event)->reason()) && next && next != txtVIN_ &&
      next->window() == txtVIN_->window()) {
    // Run after the box has finished losing the focus: QLineEdit clears its
    // selection on focus-out, and the control being clicked finishes its press.
    vinCheckQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          vinCheckQueued_ = false;
          // A box hidden meanwhile (simulator version "1.01") has no VIN to check.
          if (txtVIN_->isVisible()) checkVin();
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}

void AddressVinFields::checkVin() {
  const std::optional<VinFault> fault = CheckVinText(txtVIN_->text());
  if (!fault) return;
  if (fault->kind == VinFault::Kind::TooShort) {
    messages_.show(tr("VIN Length must be 17 characters"), tr("VIN is wrong"),
                   MessageIcon::Information);
    FocusAndSelect(txtVIN_);
    return;
  }
  messages_.show(tr("VIN cannot contain Space character"), tr("VIN is wrong"),
                 MessageIcon::Information);
  txtVIN_->setFocus(Qt::OtherFocusReason);
  txtVIN_->setSelection(fault->position, 1);
}

}  // namespace j1939

#include "moc_AddressVinFields.cpp"
