#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <csignal>
#include <memory>

#include "rules/system/AppInfo.h"
#include "support/Emulator.h"
#include "support/Harness.h"
#include "support/TestMain.h"
#include "window/PortsDialog.h"

using L = QStringList;

namespace {

// The configurator as a user starts it: in `dir`, which holds its settings,
// its runtime folder and j1939.cfg, and without a screen.
std::unique_ptr<QProcess> startWindow(const QTemporaryDir& dir, const L& arguments) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("HOME", dir.path());
  environment.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  environment.insert("XDG_RUNTIME_DIR", dir.path());  // 0700, as Qt wants it
  auto window = std::make_unique<QProcess>();
  window->setProcessEnvironment(environment);
  window->setWorkingDirectory(dir.path());
  window->setReadChannel(QProcess::StandardError);
  window->start(programPath("j1939config"), arguments);
  return window;
}

QString settingsFile(const QTemporaryDir& dir) {
  return dir.filePath("config/TarvikConfig/TarvikConfig.conf");
}

// The [Ports] section of the settings file, key by key.
QMap<QString, QString> storedPorts(const QTemporaryDir& dir) {
  QSettings settings(settingsFile(dir), QSettings::IniFormat);
  settings.beginGroup("Ports");
  QMap<QString, QString> ports;
  for (const QString& key : settings.childKeys()) ports[key] = settings.value(key).toString();
  return ports;
}

}  // namespace

// COM ports that the command line points at a device for one run: read before
// the settings' mapping, never stored, said in the title, the status bar and
// on the terminal; the configurator on the emulator as scripts/run.sh starts it.
class RunPortsTest : public QObject {
  Q_OBJECT
 private slots:
  // A command line that does not read ends the run before any window, with
  // exit status 2 and one line that says why; nothing is written.
  void refusedCommandLines() {
    const std::pair<L, QString> rows[] = {
        {{"--port", "COM17=/dev/ttyUSB0"},
         "--port COM17=/dev/ttyUSB0: the ports are COM1 to COM16"},
        {{"--port", "COM0=/dev/ttyUSB0"}, "--port COM0=/dev/ttyUSB0: the ports are COM1 to COM16"},
        {{"--emulator", "COM2=  "}, "--emulator COM2=  : no device is named"},
        {{"--port", "COM1"}, "--port takes COMn=DEVICE, such as COM1=/dev/ttyUSB0"},
        {{"--port", "/dev/ttyUSB0"}, "--port takes COMn=DEVICE, such as COM1=/dev/ttyUSB0"},
        {{"--port", "LPT1=/dev/lp0"}, "--port takes COMn=DEVICE, such as COM1=/dev/ttyUSB0"},
        {{"--port", "COM1=/dev/a", "--emulator"},
         "--emulator takes COMn=DEVICE, such as COM1=/dev/ttyUSB0"},
        {{"--port", "COM3=/dev/a", "--emulator", "com3=/dev/b"},
         "--emulator com3=/dev/b: COM3 is given twice"},
        {{"--port", "COM3=/dev/a", "--port=COM03=/dev/a"},
         "--port COM03=/dev/a: COM3 is given twice"},
        {{"--fast"}, "unknown option --fast (see --help)"},
        {{"-x", "--port", "COM1=/dev/a"}, "unknown option -x (see --help)"},
        {{"bench.cfg", "rig.cfg"}, "unexpected argument rig.cfg: one FILE at most (see --help)"},
    };
    for (const auto& [arguments, said] : rows) {
      QTemporaryDir dir;
      const Run run = finish(*startWindow(dir, arguments));
      QCOMPARE(run.exitCode, 2);
      QCOMPARE(run.out, QString());
      QCOMPARE(run.err, "j1939config: " + said + "\n");
      QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), L());
    }
    QTemporaryDir dir;
    const Run version = finish(*startWindow(dir, {"--port", "COM1=/dev/a", "--version"}));
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.out, QStringLiteral("j1939config %1.%2.%3\n")
                              .arg(kVersionMajor)
                              .arg(kVersionMinor)
                              .arg(kVersionRevision));
  }

  // The window program on the emulator's terminal, as scripts/run.sh starts it,
  // and on other command lines. Each says its ports on the terminal as it
  // starts, then what became of the port it opened (nothing when it opened),
  // and ends on SIGTERM, SIGINT (Ctrl+C) or SIGHUP as at the close box, also
  // while a message of its start-up waits: exit status 0, j1939.cfg as it was,
  // the settings file's [Ports] as they were and the window's geometry kept.
  void windowsOnTheirPorts() {
    SimulatorProcess sim({"--frames", "0"});
    QTemporaryDir links;
    const QString link = links.filePath("j1939sim");
    QVERIFY(QFile::link(sim.device(), link));
    const QString pty = sim.device(), none = links.filePath("none");
    const std::tuple<L, int, QString> rows[] = {
        {{"--emulator", "COM1=" + link}, SIGTERM, "COM1 \u2192 emulator (" + pty + ")\n"},
        {{"--port=com1=" + pty}, SIGINT, "COM1 \u2192 " + pty + " (this run only)\n"},
        {{"--port", "COM16= /dev/ttyUSB0 ", "--emulator", "COM1=" + link},
         SIGHUP,
         "COM16 \u2192 /dev/ttyUSB0 (this run only), COM1 \u2192 emulator (" + pty + ")\n"},
        // The signal comes while the port message of the start-up waits.
        {{"--port", "COM1=" + none},
         SIGTERM,
         "COM1 \u2192 " + none + " (this run only)\nj1939config: COM1 = " + none +
             ": No such file or directory\n"},
        {{"--port", "COM2=" + pty},
         SIGINT,  // COM1 stands for the device stored for it
         "COM2 \u2192 " + pty +
             " (this run only)\nj1939config: COM1 = /dev/stored: No such file or directory\n"},
        // ... or while the message that the file given cannot be opened waits.
        {{"--port", "COM1=" + pty, "missing.cfg"},
         SIGTERM,
         "COM1 \u2192 " + pty + " (this run only)\n"},
    };
    const QByteArray record = EncodeConfigRecord(benchRecord([](auto& c) { c.ComPortIndex = 0; }));
    // One at a time: a second window on the same terminal finds it locked.
    for (const auto& [arguments, signal, said] : rows) {
      QTemporaryDir dir;
      QVERIFY(writeBytes(dir.filePath(kDefaultConfigFileName), record));
      QVERIFY(QDir(dir.path()).mkpath("config/TarvikConfig"));
      QVERIFY(writeBytes(settingsFile(dir), "[Ports]\nCOM1=/dev/stored\n"));
      const std::unique_ptr<QProcess> window = startWindow(dir, arguments);
      // The first line is said once the window takes the signals as its close box.
      while (window->waitForStarted(5000) && !window->canReadLine() &&
             window->waitForReadyRead(10000)) {
      }
      QCOMPARE(::kill(static_cast<pid_t>(window->processId()), signal), 0);
      Run run = finish(*window);
      // What the screenless platform says of the shown window is no news of ours.
      run.err.remove("This plugin does not support propagateSizeHints()\n");
      QCOMPARE(run.exitCode, 0);
      QCOMPARE(run.err, "j1939config: " + said);
      QCOMPARE(fileBytes(dir.filePath(kDefaultConfigFileName)), record);
      QCOMPARE(storedPorts(dir), (QMap<QString, QString>{{"COM1", "/dev/stored"}}));
      QVERIFY(
          QSettings(settingsFile(dir), QSettings::IniFormat).value("Settings/MainHeight").toInt() >
          0);
    }
  }

  // In the window: the list and the port use the run's device, the title and
  // the status bar name it, and the Ports dialog shows it without storing it
  // while OK stores the other ports' changes.
  void portsDialogLeavesRunPortsOut() {
    Harness h;
    h.settings.values = {{"Ports/COM1", "/dev/stored"}, {"Ports/COM2", "/dev/old"}};
    const QString emulator = h.path("emulator");
    h.port.existing = {emulator};
    QVERIFY(QFile::link("/dev/pts/9", emulator));
    h.create();
    h.window->useRunPorts({{1, emulator, true}, {4, "/dev/ttyUSB3", false}});
    h.start();
    const QString note =
        "COM1 \u2192 emulator (/dev/pts/9), COM4 \u2192 /dev/ttyUSB3 (this run only)";
    QCOMPARE(h.window->windowTitle(), "j1939.cfg[*] \u2014 Tarvik Configuration \u2014 " + note);
    QCOMPARE(h.window->findChild<QLabel*>("sbStatusPorts")->text(), note);
    // Opened as the record selects COM1, and again as the start-up opens the port.
    const L opening = {"device " + emulator, "readLength 0",   "receiveBuffer 1024",
                       "open " + emulator,   "discardReceive", "discardTransmit",
                       "line 9600,N,8,1"};
    QCOMPARE(h.port.log, opening + L{"close"} + opening);
    L devices;
    for (int n = 1; n <= 5; ++n) devices << h.window->portSelector().deviceFor(n);
    QCOMPARE(devices, L({emulator, "/dev/old", "/dev/ttyS2", "/dev/ttyUSB3", "/dev/ttyS4"}));

    L shown;  // each dialog's COM1, COM2 and COM4, and whether COM1 and COM4 take edits
    const auto edit = [&](const QString& com2) {
      QTimer::singleShot(0, [&, com2] {
        auto* dialog = qobject_cast<PortsDialog*>(QApplication::activeModalWidget());
        for (int n : {1, 2, 4}) shown << dialog->portBox(n)->currentText();
        shown << QString::number(dialog->portBox(1)->isEnabled() + dialog->portBox(4)->isEnabled());
        dialog->portBox(2)->setEditText(com2);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
      });
      h.find<QAction>("mnuFilePorts")->trigger();
    };
    h.port.log.clear();
    // OK on an untouched dialog: nothing stored, the settings file not even
    // synced (one that cannot be written would be reported), the port left open.
    const int syncs = h.settings.syncs;
    edit("/dev/old");
    QCOMPARE(h.settings.writes, L());
    QCOMPARE(h.settings.syncs, syncs);
    QCOMPARE(h.port.log, L());
    edit("/dev/new");
    QCOMPARE(shown, L({emulator, "/dev/old", "/dev/ttyUSB3", "0", emulator, "/dev/old",
                       "/dev/ttyUSB3", "0"}));
    QCOMPARE(h.settings.writes, L{"Ports/COM2"});
    QCOMPARE(h.settings.values,
             (QMap<QString, QString>{{"Ports/COM1", "/dev/stored"}, {"Ports/COM2", "/dev/new"}}));
    QCOMPARE(h.window->portSelector().deviceFor(1), emulator);
  }
};

J1939_TEST_MAIN(RunPortsTest, "runports")
#include "tst_runports.moc"
