#include "support/Harness.h"

#include <QTimer>

#include "config/ConfigFiles.h"
#include "support/Records.h"

Harness::Harness() = default;

Harness::~Harness() {
  // The window's close handling belongs to the test that asks for it; here it
  // is only destroyed.
  window.reset();
}

MainWindow& Harness::create() {
  if (!window) {
    window = std::make_unique<MainWindow>(Platform{messages, fileDialogs, port, settings, clock},
                                          dir.path());
    messages.watch(window.get());
  }
  return *window;
}

MainWindow& Harness::start() {
  create();
  window->Form_Load();
  window->show();
  return *window;
}

void Harness::simulatorAccepts() {
  for (int n = 0; n < 16; ++n) port.existing.insert(QStringLiteral("/dev/ttyS%1").arg(n));
  port.onWrite = [this](const QByteArray&) {
    port.receive(QByteArray(1, '\x55'));
    QTimer::singleShot(0, &port, [this] {
      clock.advance(2000);
      emit port.bytesWritten(0);
    });
  };
}

MainWindow& Harness::startOn(const SimulatorConfig& config) {
  if (!writeRecord(path(kDefaultConfigFileName), config)) qWarning("cannot write j1939.cfg");
  simulatorAccepts();
  return start();
}
