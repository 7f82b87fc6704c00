#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "link/serial/PortOpening.h"

class QComboBox;

namespace Ui {
class frmPorts;
}

namespace j1939 {

class PortInventory;
class RunOnlySettings;

// File > Ports…: which device each of COM1 to COM16 stands for. Each box
// offers the serial ports present, with what their drivers say of them, and
// takes any device typed; it starts with today's mapping. OK writes the
// [Ports] keys that the user changed; Cancel writes nothing. A port that the
// command line points at a device for this run shows that device and cannot
// be edited: OK never stores it.
class PortsDialog : public QDialog {
  Q_OBJECT
 public:
  PortsDialog(RunOnlySettings& settings, const PortInventory& inventory, QWidget* owner);
  ~PortsDialog() override;

  // The box of COMn, `cmbPortn`.
  QComboBox* portBox(int portNumber) const { return boxes_.at(portNumber - 1); }

  void accept() override;
  // Why the mapping stored by OK could not be written to the settings file;
  // it then holds for this run only.
  const MaybeFailure& storeFailure() const { return storeFailure_; }

 private:
  MaybeFailure storeMapping();

  std::unique_ptr<Ui::frmPorts> ui_;
  RunOnlySettings& settings_;
  std::array<QComboBox*, kComPortCount> boxes_{};
  MaybeFailure storeFailure_;
};

}  // namespace j1939
