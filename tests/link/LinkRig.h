#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "config/FormState.h"
#include "link/ConfigDownload.h"
#include "link/PortSelector.h"
#include "platform/SerialPort.h"
#include "support/Doubles.h"
#include "support/Emulator.h"

// The host window of a standalone link: a closable window that counts the
// close events it accepted.
class HostWindow : public QWidget {
 public:
  int closesAccepted = 0;

 protected:
  void closeEvent(QCloseEvent* event) override;
};

// The simulator link on its own: the controls it owns in a host window, the
// real serial port, and doubles for the other seams. `record` is what the
// form holds: storing the form copies it into the state, with the slot and
// version controls as the form binding would read them.
struct LinkRig {
  LinkRig();
  ~LinkRig();
  // COMn stands for `device` (in the settings store, before the link is built).
  void mapPort(int portNumber, const QString& device);
  // Builds the port selector and the download.
  void build();
  // Selects the entry, which opens the port.
  void selectPort(int index);
  void setVersion(int index) { cmbSimulatorVersion->setCurrentIndex(index); }
  void deleteSlot(int slot, bool deleted);
  void click() { download->cmdConfig_Click(); }
  QStringList prompts() const;

  HostWindow window;
  QPushButton* cmdConfig;
  QComboBox* cmbCOM;
  QCheckBox* chkDeletePGN1;
  QCheckBox* chkDeletePGN2;
  QComboBox* cmbSimulatorVersion;

  FormState state;
  SimulatorConfig record{};
  QtSerialPort port;
  FakeClock clock;
  RecordingMessageBoxes messages;
  MemorySettingsStore settings;
  std::unique_ptr<PortSelector> selector;
  std::unique_ptr<ConfigDownload> download;
  int formStores = 0;
};

// A record whose two slots are in use with harmless PGNs.
SimulatorConfig slotsInUse(int32_t pgn1 = 65280, int32_t pgn2 = 65281);
