// Times "Program Config" from the click to the verdict, in the real window
// with the real serial port, against the j1939sim emulator on a
// pseudo-terminal. Prints each download's wall and CPU time and the medians.
//
//   bench_download [--runs N] [--version 1.01|2.00] [--sim PATH]

#include <time.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "window/MainWindow.h"
#include "window/desktop/Platform.h"
#include "window/link/ConfigDownload.h"
#include "window/link/PortSelector.h"

// The bench names the tool's classes as the tool's own files do.
using namespace j1939;

namespace {

double cpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The verdict box, recorded instead of shown: the moment it would appear ends
// the measurement.
class VerdictMessages : public MessageBoxes {
 public:
  void show(const QString& prompt, const QString&, MessageIcon) override {
    lastPrompt = prompt;
    wallAtVerdictNs = wall.nsecsElapsed();
    cpuAtVerdict = cpuSeconds();
  }
  SaveAnswer askToSave(const QString&, const QString&) override { return SaveAnswer::Discard; }
  QElapsedTimer wall;
  QString lastPrompt;
  qint64 wallAtVerdictNs = 0;
  double cpuAtVerdict = 0;
};

class NoFileDialogs : public FileDialogs {
 public:
  QString getOpenFileName(const QString&, const QString&) override { return {}; }
  QString getSaveFileName(const QString&, const QString&) override { return {}; }
};

// Only COM1, mapped to the emulator's device; nothing is kept.
class BenchSettings : public SettingsStore {
 public:
  bool contains(const QString& section, const QString& key) const override {
    return values.contains(section + '/' + key);
  }
  QString value(const QString& section, const QString& key) const override {
    return values.value(section + '/' + key);
  }
  void setValue(const QString& section, const QString& key, const QString& value) override {
    values.insert(section + '/' + key, value);
  }
  MaybeFailure sync() override { return std::nullopt; }
  QMap<QString, QString> values;
};

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  int runs = 10;
  QString version = QStringLiteral("1.01");
  QString simulator = QStringLiteral(J1939SIM_PATH);
  const QStringList args = app.arguments();
  for (int i = 1; i + 1 < args.size(); i += 2) {
    if (args[i] == QLatin1String("--runs"))
      runs = std::max(1, args[i + 1].toInt());
    else if (args[i] == QLatin1String("--version"))
      version = args[i + 1];
    else if (args[i] == QLatin1String("--sim"))
      simulator = args[i + 1];
  }
  const int frameLength = version == QLatin1String("2.00") ? 49 : 32;

  QProcess sim;
  sim.start(simulator, {QStringLiteral("--version"), version, QStringLiteral("--frames"),
                        QString::number(runs)});
  if (!sim.waitForStarted(5000)) {
    std::fprintf(stderr, "cannot start %s\n", qPrintable(simulator));
    return 1;
  }
  while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
  }
  const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
  // The emulator's log is not needed: let it drain.
  QObject::connect(&sim, &QProcess::readyReadStandardOutput, &sim,
                   [&sim] { sim.readAllStandardOutput(); });

  VerdictMessages messages;
  NoFileDialogs dialogs;
  QtSerialPort port;
  BenchSettings settings;
  settings.setValue(QStringLiteral("Ports"), QStringLiteral("COM1"), device);
  SteadyClock clock;
  QtPortInventory inventory;
  QTemporaryDir dir;
  MainWindow window(Platform{messages, dialogs, port, settings, clock, inventory}, dir.path());
  window.startUp();
  window.show();
  auto* versions = window.findChild<QComboBox*>(QStringLiteral("cmbSimulatorVersion"));
  auto* ports = window.findChild<QComboBox*>(QStringLiteral("cmbCOM"));
  auto* program = window.findChild<QPushButton*>(QStringLiteral("cmdConfig"));
  versions->setCurrentIndex(frameLength == 49 ? 1 : 0);
  if (ports->currentIndex() != 0)
    ports->setCurrentIndex(0);
  else if (!port.isOpen())
    window.portSelector().OpenSelectedPort();
  if (!port.isOpen()) {
    std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
    return 1;
  }

  std::printf("%d downloads of %d-byte frames (version %s) to j1939sim on %s\n", runs, frameLength,
              qPrintable(version), qPrintable(device));
  std::vector<double> walls, cpus;
  int accepted = 0;
  // The window's event loop runs from the click until the exchange has ended.
  QEventLoop exchanging;
  QObject::connect(&window.configDownload(), &ConfigDownload::exchangeFinished, &exchanging,
                   &QEventLoop::quit);
  messages.wall.start();
  for (int i = 0; i < runs; ++i) {
    const qint64 wall0 = messages.wall.nsecsElapsed();
    const double cpu0 = cpuSeconds();
    program->click();
    if (window.configDownload().isRunning()) exchanging.exec();
    const double wallMs = static_cast<double>(messages.wallAtVerdictNs - wall0) / 1e6;
    const double cpuMs = (messages.cpuAtVerdict - cpu0) * 1e3;
    walls.push_back(wallMs);
    cpus.push_back(cpuMs);
    if (messages.lastPrompt == QLatin1String(kConfigAcceptedPrompt)) ++accepted;
    std::printf("  download %2d: %8.1f ms wall, %6.2f ms CPU, %s\n", i + 1, wallMs, cpuMs,
                qPrintable(messages.lastPrompt));
  }

  // At 9600 bit/s a byte takes 10 bit times (start, 8 data, stop).
  const double lineMs = frameLength * 10 * 1000.0 / 9600.0;
  const double wallTarget = 1000.0 + lineMs + 50.0;
  const double cpuTarget = 50.0;
  const double wallMedian = median(walls);
  const double cpuMedian = median(cpus);
  const double cpuMax = *std::max_element(cpus.begin(), cpus.end());
  std::printf(
      "median wall time, click to verdict: %.1f ms (target %.1f ms = 1000 + %.1f on the "
      "line + 50)\n",
      wallMedian, wallTarget, lineMs);
  std::printf("CPU time per download: median %.2f ms, max %.2f ms (target %.0f ms)\n", cpuMedian,
              cpuMax, cpuTarget);
  const bool met = wallMedian <= wallTarget && cpuMax <= cpuTarget && accepted == runs;
  std::printf("%d of %d accepted; %s\n", accepted, runs, met ? "targets met" : "TARGETS MISSED");

  sim.closeWriteChannel();
  sim.waitForFinished(3000);
  return met ? 0 : 1;
}
