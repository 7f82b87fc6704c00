#pragma once

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "support/Doubles.h"
#include "support/Records.h"
#include "window/MainWindow.h"
#include "window/record/FileCommands.h"

// The user types over the whole text of the box, key by key (an empty text is
// one Backspace over the selection), or pastes it at once.
inline void enter(QLineEdit* box, const QString& text, bool typed = true) {
  if (!typed) return box->setText(text);
  box->setFocus();
  box->selectAll();
  if (text.isEmpty()) QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
}

// The real main window with test doubles for every seam, in a fresh working directory.
// Construct, adjust the doubles, then start() runs the start-up as the program does.
struct Harness {
  // Creates the window without running the start-up sequence.
  MainWindow& create() {
    if (!window) {
      window = std::make_unique<MainWindow>(
          Platform{messages, fileDialogs, port, settings, clock, inventory}, dir.path());
      messages.watch(window.get());
    }
    return *window;
  }
  // Creates the window (once) and runs its start-up sequence; shows it.
  MainWindow& start() {
    create().startUp();
    window->show();
    return *window;
  }
  // Before start(): every COM port is present and a simulator on it accepts
  // each frame at once (the fake clock is moved past the reply window, so that
  // no test waits it out). The frames sent collect in port.written.
  void simulatorAccepts() {
    for (int n = 0; n < 16; ++n) port.existing.insert(QStringLiteral("/dev/ttyS%1").arg(n));
    port.onWrite = [this](const QByteArray&) {
      port.receive(QByteArray(1, '\x55'));
      QTimer::singleShot(0, &port, [this] { clock.advance(2000), emit port.bytesWritten(0); });
    };
  }
  // simulatorAccepts(), j1939.cfg holding `config`, then start().
  MainWindow& startOn(const SimulatorConfig& config) {
    if (!writeRecord(path(kDefaultConfigFileName), config)) qWarning("cannot write j1939.cfg");
    simulatorAccepts();
    return start();
  }
  // A control of the window by its name (txtPGN1, cmbCOM).
  template <typename T = QWidget>
  T* find(const QString& name) {
    return window->findChild<T*>(name);
  }
  // Clicks "Program Config" and, when an exchange starts, sleeps until it has
  // ended; its verdict is shown by then. False if it never ends.
  [[nodiscard]] bool programConfig() {
    QSignalSpy ended(&window->configDownload(), &ConfigDownload::exchangeFinished);
    QTest::mouseClick(find<QPushButton>("cmdConfig"), Qt::LeftButton);
    return !window->configDownload().isRunning() || ended.wait(10000);
  }
  QString path(const QString& name) const { return dir.filePath(name); }

  RecordingMessageBoxes messages;
  ScriptedFileDialogs fileDialogs;
  FakeSerialPort port;
  MemorySettingsStore settings;
  FakeClock clock;
  FakePortInventory inventory;
  QTemporaryDir dir;
  std::unique_ptr<MainWindow> window;  // destroyed first; its close handling is the tests' own
};
