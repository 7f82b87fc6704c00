#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "config/FormState.h"
#include "link/ConfigDownload.h"
#include "link/PortSelector.h"
#include "platform/SerialPort.h"
#include "support/Doubles.h"

// A pseudo-terminal held by the test itself: the port opens `device`, the
// test plays the far end on `master`.
class TestPty {
 public:
  TestPty();
  ~TestPty();
  bool isValid() const { return master_ >= 0; }
  QString device() const { return device_; }
  int master() const { return master_; }
  void write(const QByteArray& bytes);
  // Waits (processing events) until `count` bytes have arrived, or 5 s.
  QByteArray read(int count);
  // The far end goes away, as when an adapter is pulled out.
  void closeMaster();

 private:
  int master_ = -1;
  QString device_;
};

// The simulator emulator, run for one test.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(const QStringList& arguments);
  ~SimulatorProcess();
  // The device it serves, empty if it did not start.
  QString device() const { return device_; }
  // Everything it has printed so far, a line each.
  QStringList lines();
  // Waits (processing events) for a printed line that starts with `prefix`.
  QString waitForLine(const QString& prefix, int timeoutMs = 5000);
  // The bytes of frame `number` as it received them ("" if none).
  QByteArray frame(int number);
  int frameCount();
  // Sends bytes to the port unasked.
  void send(const QByteArray& bytes);
  // Ends the emulator: its end of the terminal closes.
  void quit();
  // Ends it and waits for its exit; true if it ended by itself, with status 0.
  bool finish();

 private:
  void collect();
  QProcess process_;
  QString device_;
  QByteArray pending_;
  QStringList lines_;
};

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
