#pragma once

#include <QObject>

#include "window/fields/ValidatedField.h"

class QLineEdit;

namespace Ui {
class frmMain;
}

namespace j1939 {

class MessageBoxes;

// The simulated ECU's J1939 source address, checked at every change of its
// text, and the VIN, checked when the user leaves its box for another control
// of the window.
class AddressVinFields : public QObject {
  Q_OBJECT
 public:
  AddressVinFields(Ui::frmMain& form, MessageBoxes& messages);
  ~AddressVinFields() override;

  // Change of the address box: a hexadecimal byte from 00 to 7F, or empty.
  void checkAddress();
  // The VIN needs exactly 17 characters and no blank. A bad VIN is reported and
  // the focus goes back to its box, with the whole text or the first blank
  // selected; the text itself is never changed.
  void checkVin();

 protected:
  // Sees the VIN box lose the focus; never consumes an event.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* txtJ1939Addr_;
  QLineEdit* txtVIN_;
  MessageBoxes& messages_;
  ValidatedField address_;
  bool vinCheckQueued_ = false;
};

}  // namespace j1939
