#pragma once

#include <QObject>
#include <QString>

#include "link/serial/PortOpening.h"
#include "rules/system/Failure.h"

class QComboBox;

namespace j1939 {

class MessageBoxes;
class PortInventory;
class SerialPort;
class SettingsStore;

// The COM list and the one serial port to the simulator. Choosing an entry of
// `cmbCOM` (by hand or by a loaded configuration) closes the open port and
// opens the chosen one at 9600,N,8,1.
//
// COMn stands for the device named in the settings store under section
// "Ports", key "COMn" (e.g. COM1=/dev/ttyUSB0), and otherwise for the
// platform's own name of port n. Each entry's tooltip shows its device and
// whether it is present, worked out when the pointer rests on the list or the
// list opens (and when the mapping has been edited): adapters come and go.
//
// A port that does not open shows the port message, and the status bar says
// which device failed and why until a port opens.
//
// A port that closed itself after an error (an adapter pulled out, the far end
// gone) is reopened by picking its entry again: the user's pick of the entry
// already selected reopens it, while a pick that changes the entry opens once.
// Until then statusChanged says that the port is closed.
class PortSelector : public QObject {
  Q_OBJECT
 public:
  PortSelector(QComboBox* cmbCOM, SerialPort& port, SettingsStore& settings,
               const PortInventory& inventory, MessageBoxes& messages, QObject* parent = nullptr);

  // Closes the port if it is open and opens the port of the selected entry.
  // Each step that fails shows the port message once and the next step runs.
  // While the port is held, the request waits until it is released.
  void OpenSelectedPort();
  void openChosenPort();
  // The user picked an entry, the selected one included: a pick that changed
  // no index opens the port again.
  void reopenPickedPort();

  // The [Ports] mapping has been edited: the tooltips follow it, and the
  // selected entry's port is reopened if it now stands for another device.
  void mappingChanged();

  // The device that port `portNumber` (1 for COM1) stands for.
  QString deviceFor(int portNumber) const;
  // The platform's own name of the port: COMn on Windows, /dev/ttyS<n-1> elsewhere.
  static QString platformDevice(int portNumber);

  // A download holds the port while it runs: nothing closes or reopens it
  // then. A change of port asked for meanwhile is made on release.
  void holdPort();
  void releasePort();
  bool isHeld() const { return held_; }

 signals:
  // What the status bar says of the port; empty when there is nothing to say.
  void statusChanged(const QString& text);
  // The port's state, always: "COM1 → /dev/ttyUSB0 · 9600 8N1 · open", or why not.
  void portStateChanged(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refreshToolTips();
  // The list's own tooltip: the one of the entry selected.
  void showChosenToolTip();
  void report(const MaybeFailure& failure);
  void portClosedItself(const QString& reason);
  // Puts `status` in the status bar; empty clears what the selector said.
  void say(const QString& status);

  QComboBox* cmbCOM_;
  SerialPort& port_;
  SettingsStore& settings_;
  const PortInventory& inventory_;
  MessageBoxes& messages_;
  bool held_ = false;
  bool reopenPending_ = false;
  // The entry was changed and its port opened; the user's activation that
  // follows the change within the same pick has nothing more to do.
  bool openedByChange_ = false;
  bool saidStatus_ = false;
};

}  // namespace j1939
