#pragma once

#include <QTemporaryDir>
#include <memory>

#include "support/Doubles.h"
#include "ui/MainWindow.h"
#include "ui_frmMain.h"

// The real main window with test doubles for every seam, in a fresh working
// directory. Construct, adjust the doubles, then start() runs the start-up
// sequence as the program does.
struct Harness {
  Harness();
  ~Harness();
  // Creates the window (once) and runs its start-up sequence; shows it.
  MainWindow& start();
  // Creates the window without running the start-up sequence.
  MainWindow& create();
  // Before start(): every COM port is present and a simulator on it accepts
  // each frame at once (the fake clock is moved past the reply window, so that
  // no test waits it out). The frames sent collect in port.written.
  void simulatorAccepts();
  // simulatorAccepts(), j1939.cfg holding `config`, then start().
  MainWindow& startOn(const SimulatorConfig& config);
  Ui::frmMain& ui() { return window->form(); }
  QString path(const QString& name) const { return dir.filePath(name); }

  RecordingMessageBoxes messages;
  ScriptedFileDialogs fileDialogs;
  FakeSerialPort port;
  MemorySettingsStore settings;
  FakeClock clock;
  QTemporaryDir dir;
  std::unique_ptr<MainWindow> window;
};
