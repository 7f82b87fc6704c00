#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QDir>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "RecordModel.h"
#include "config/ConfigFile.h"
#include "config/ConfigFiles.h"
#include "support/Emulator.h"
#include "support/TestMain.h"

// SIGTERM, SIGINT and SIGHUP end a run the way the close box does: the form is
// stored, j1939.cfg written and the geometry kept.
class TerminationTest : public QObject {
  Q_OBJECT
 private slots:
  void theProgramEndsLikeTheCloseBoxOnASignal_data();
  void theProgramEndsLikeTheCloseBoxOnASignal();
};

void TerminationTest::theProgramEndsLikeTheCloseBoxOnASignal_data() {
  QTest::addColumn<int>("signalNumber");
  QTest::newRow("SIGTERM") << int(SIGTERM);
  QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TerminationTest::theProgramEndsLikeTheCloseBoxOnASignal() {
  QFETCH(int, signalNumber);
  const QString program = QStringLiteral(J1939_BIN_DIR "/j1939config");
  QVERIFY2(QFile::exists(program), qPrintable(program));
  TestPty com1;  // the program takes its far end for COM1: no port message
  QVERIFY(!com1.device().isEmpty());

  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString work = dir.filePath("bench");
  const QString config = dir.filePath("config");
  const QString runtime = dir.filePath("runtime");
  QVERIFY(QDir().mkpath(work) && QDir().mkpath(config) && QDir().mkpath(runtime));
  QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                QFileDevice::ExeOwner);
  const QString settingsFile = config + "/TarvikConfig/TarvikConfig.conf";
  {
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue("Ports/COM1", com1.device());
  }

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("HOME", dir.path());
  environment.insert("XDG_CONFIG_HOME", config);
  environment.insert("XDG_RUNTIME_DIR", runtime);
  QProcess run;
  run.setProcessEnvironment(environment);
  run.setWorkingDirectory(work);
  run.setProcessChannelMode(QProcess::ForwardedErrorChannel);

  // j1939.cfg appears at the start-up's second step, after the handlers are in.
  const QString cfg = work + "/" + kDefaultConfigFileName;
  QFileSystemWatcher watcher({work});
  QSignalSpy changed(&watcher, &QFileSystemWatcher::directoryChanged);
  run.start(program, {});
  QVERIFY(run.waitForStarted(30000));
  while (!QFile::exists(cfg)) QVERIFY2(changed.wait(30000), "no j1939.cfg");
  QCOMPARE(fileBytes(cfg).size(), 0);

  QCOMPARE(::kill(static_cast<pid_t>(run.processId()), signalNumber), 0);
  QVERIFY(run.waitForFinished(30000));
  QCOMPARE(run.exitStatus(), QProcess::NormalExit);
  QCOMPARE(run.exitCode(), 0);

  // The form of the all-zero record, stored as at any exit.
  QCOMPARE(fileBytes(cfg), EncodeConfigRecord(storedBack(SimulatorConfig{})));
  QSettings settings(settingsFile, QSettings::IniFormat);
  for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"}) {
    bool number = false;
    settings.value(QStringLiteral("Settings/%1").arg(QLatin1String(key))).toString().toInt(&number);
    QVERIFY2(number, key);
  }
  QCOMPARE(settings.value("Ports/COM1").toString(), com1.device());
}

J1939_TEST(TerminationTest);
#include "tst_termination.moc"
