#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "LinkRig.h"
#include "link/ConfigFrames.h"
#include "support/TestMain.h"

namespace {

const QString kAccepted = QStringLiteral("Configuration is successfull!");
const QString kRejected = QStringLiteral("Configuration fails!");

// The emulator on COM1 and the link built and opened on it.
struct Session {
  explicit Session(const QStringList& simulatorArguments) : sim(simulatorArguments) {
    rig.mapPort(1, sim.device());
    rig.build();
    rig.selectPort(0);
  }
  bool ready() const { return !sim.device().isEmpty() && rig.port.isOpen(); }
  QByteArray chosenFrame() const {
    return rig.cmbSimulatorVersion->currentIndex() == 0 ? FrameBytes(rig.state.ConfigFrameV1)
                                                        : FrameBytes(rig.state.ConfigFrameV2);
  }
  SimulatorProcess sim;
  LinkRig rig;
};

// Counts the close requests that reach it, as a shut-down filter of the
// window would see them.
class CloseWatcher : public QObject {
 public:
  int closes = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Close) ++closes;
    return false;
  }
};

// Runs `action` once, while the exchange that is about to start is waiting.
void duringTheExchange(QObject* context, std::function<void()> action) {
  QTimer::singleShot(300, context, std::move(action));
}

}  // namespace

class DownloadExchangeTest : public QObject {
  Q_OBJECT
 private slots:
  void verdict_data();
  void verdict();
  void frameLengthFollowsTheVersion();
  void lateReplyFailsTheNextDownloadToo();
  void staleByteCountsTowardTheReply_data();
  void staleByteCountsTowardTheReply();
  void builtInPgns_data();
  void builtInPgns();

  void noOpenPortSaysSoAndSendsNothing();
  void failureBeforeSendingStopsTheCommand_data();
  void failureBeforeSendingStopsTheCommand();
  void withNothingToStoreTheRecordIsSentAsItIs();
  void controlsAreDisabledWhileAnExchangeRuns();
  void portChangeDuringAnExchangeWaitsForItsEnd();
  void closeDuringAnExchangeEndsItThenCloses();
  void portErrorEndsTheExchangeAtOnce();
  void simulatorCanBeReachedByAFixedName();
};

void DownloadExchangeTest::verdict_data() {
  QTest::addColumn<QStringList>("simulator");
  QTest::addColumn<int>("version");
  QTest::addColumn<QString>("prompt");
  QTest::addColumn<QString>("title");
  const QString accepted = QStringLiteral("config confirmation");
  const QString rejected = QStringLiteral("Config confirmation");
  QTest::newRow("0x55 accepts, 1.01")
      << QStringList{"--version", "1.01"} << 0 << kAccepted << accepted;
  QTest::newRow("0x55 accepts, 2.00")
      << QStringList{"--version", "2.00"} << 1 << kAccepted << accepted;
  QTest::newRow("0x55 within the second accepts")
      << QStringList{"--delay-ms", "600"} << 0 << kAccepted << accepted;
  QTest::newRow("silence") << QStringList{"--silent"} << 0 << kRejected << rejected;
  QTest::newRow("0xAA") << QStringList{"--reply", "AA"} << 0 << kRejected << rejected;
  QTest::newRow("0x55 0x55") << QStringList{"--reply", "55,55"} << 1 << kRejected << rejected;
  QTest::newRow("0x55 after 1.5 s")
      << QStringList{"--delay-ms", "1500"} << 0 << kRejected << rejected;
}

void DownloadExchangeTest::verdict() {
  QFETCH(QStringList, simulator);
  QFETCH(int, version);
  QFETCH(QString, prompt);
  QFETCH(QString, title);
  simulator << QStringLiteral("--version")
            << (version == 0 ? QStringLiteral("1.01") : QStringLiteral("2.00"));
  Session s(simulator);
  QVERIFY(s.ready());
  s.rig.setVersion(version);
  s.rig.click();

  QCOMPARE(s.rig.prompts(), QStringList{prompt});
  QCOMPARE(s.rig.messages.shown.first().title, title);
  QCOMPARE(s.rig.messages.shown.first().icon, MessageIcon::Information);
  // Exactly the chosen frame went out, in one piece.
  const QByteArray sent = s.sim.frame(1);
  QCOMPARE(sent.size(), version == 0 ? 32 : 49);
  QCOMPARE(sent, s.chosenFrame());
  QVERIFY(!s.sim.waitForLine(QStringLiteral("  checksum: ")).isEmpty());
  // The reply was read, or the buffer emptied at the verdict; the port stays open.
  QCOMPARE(s.rig.port.bytesAvailable(), 0);
  QVERIFY(s.rig.port.isOpen());
  QVERIFY(s.rig.cmdConfig->isEnabled());
  QVERIFY(s.rig.cmbCOM->isEnabled());
}

void DownloadExchangeTest::frameLengthFollowsTheVersion() {
  Session s({"--version", "2.00", "--frames", "0", "--gap-ms", "200"});
  QVERIFY(s.ready());
  // A "1.01" frame is 32 bytes: a "2.00" simulator waits for 17 more and never answers.
  s.rig.setVersion(0);
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kRejected});
  QVERIFY(!s.sim.waitForLine(QStringLiteral("dropped 32 bytes")).isEmpty());
  QCOMPARE(s.sim.frameCount(), 0);

  s.rig.messages.clear();
  s.rig.setVersion(1);
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
  QCOMPARE(s.sim.frame(1), FrameBytes(s.rig.state.ConfigFrameV2));
}

void DownloadExchangeTest::lateReplyFailsTheNextDownloadToo() {
  Session s({"--frames", "3", "--plan", "55@1500"});
  QVERIFY(s.ready());
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kRejected});
  QCOMPARE(s.rig.port.bytesAvailable(), 0);
  // The late byte arrives after the verdict and stays in the buffer.
  QTRY_COMPARE(s.rig.port.bytesAvailable(), 1);
  QVERIFY(!s.sim.waitForLine(QStringLiteral("reply 1: 55")).isEmpty());

  // The next download sees the old byte and its own reply.
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList({kRejected, kRejected}));
  QVERIFY(!s.sim.waitForLine(QStringLiteral("reply 2: 55")).isEmpty());
  QCOMPARE(s.rig.port.bytesAvailable(), 0);

  // And the one after that starts clean.
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList({kRejected, kRejected, kAccepted}));
  QCOMPARE(s.sim.frameCount(), 3);
}

void DownloadExchangeTest::staleByteCountsTowardTheReply_data() {
  QTest::addColumn<QStringList>("simulator");
  QTest::addColumn<QString>("prompt");
  QTest::newRow("simulator answers as well: two bytes") << QStringList{} << kRejected;
  QTest::newRow("simulator silent: the waiting 0x55 alone") << QStringList{"--silent"} << kAccepted;
}

void DownloadExchangeTest::staleByteCountsTowardTheReply() {
  QFETCH(QStringList, simulator);
  QFETCH(QString, prompt);
  Session s(simulator);
  QVERIFY(s.ready());
  s.sim.send(QByteArray(1, '\x55'));
  QTRY_COMPARE(s.rig.port.bytesAvailable(), 1);
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{prompt});
  QCOMPARE(s.rig.port.bytesAvailable(), 0);
  QCOMPARE(s.sim.frameCount(), 1);
}

void DownloadExchangeTest::builtInPgns_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<int>("pgn1");
  QTest::addColumn<int>("pgn2");
  QTest::addColumn<bool>("deleted1");
  QTest::addColumn<bool>("deleted2");
  QTest::addColumn<int>("conflictSlot");  // 0: no conflict, the frame is sent
  QTest::newRow("2.00: PGN1 65265 refused") << 1 << 65265 << 65281 << false << false << 1;
  QTest::newRow("1.01: PGN1 65265 sent") << 0 << 65265 << 65281 << false << false << 0;
  QTest::newRow("2.00: PGN2 65276 refused") << 1 << 65280 << 65276 << false << false << 2;
  QTest::newRow("1.01: PGN2 65248 sent") << 0 << 65280 << 65248 << false << false << 0;
  QTest::newRow("PGN1 65226 and PGN2 59904: PGN1 only")
      << 0 << 65226 << 59904 << false << false << 1;
  QTest::newRow("PGN2 61444 built in") << 0 << 65280 << 61444 << false << false << 2;
  QTest::newRow("2.00: built-in PGN2 is found before version-2 PGN1")
      << 1 << 65248 << 65226 << false << false << 2;
  QTest::newRow("deleted slot holding 61444") << 0 << 61444 << 65281 << true << false << 0;
  QTest::newRow("2.00: deleted slot holding 65265") << 1 << 65280 << 65265 << false << true << 0;
  QTest::newRow("2.00: deleted PGN1 59392, PGN2 65248 refused")
      << 1 << 59392 << 65248 << true << false << 2;
  QTest::newRow("both slots with the same PGN") << 0 << 65280 << 65280 << false << false << 0;
  QTest::newRow("built-in PGN with the data page set is not built in")
      << 0 << 65226 + 65536 << 65281 << false << false << 0;
}

void DownloadExchangeTest::builtInPgns() {
  QFETCH(int, version);
  QFETCH(int, pgn1);
  QFETCH(int, pgn2);
  QFETCH(bool, deleted1);
  QFETCH(bool, deleted2);
  QFETCH(int, conflictSlot);
  Session s({"--version", version == 0 ? "1.01" : "2.00", "--frames", "0"});
  QVERIFY(s.ready());
  s.rig.setVersion(version);
  s.rig.record = slotsInUse(pgn1, pgn2);
  s.rig.deleteSlot(1, deleted1);
  s.rig.deleteSlot(2, deleted2);
  s.rig.click();
  QCOMPARE(s.rig.formStores, 1);

  if (conflictSlot == 0) {
    QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
    QCOMPARE(s.sim.frame(1), s.chosenFrame());
    return;
  }
  QCOMPARE(s.rig.messages.shown.size(), 1);
  const ShownMessage& box = s.rig.messages.shown.first();
  QCOMPARE(box.prompt, QStringLiteral("The additional PGN%1 has existed in the simulator, Please "
                                      "change to another one or delete it")
                           .arg(conflictSlot));
  QCOMPARE(box.title, QStringLiteral("Repeated additional PGN%1").arg(conflictSlot));
  QCOMPARE(box.icon, MessageIcon::Information);
  // The frames were built all the same.
  QVERIFY(FrameBytes(s.rig.state.ConfigFrameV1) != QByteArray(32, '\0'));

  // Nothing went out: the first frame the simulator sees is the next download's.
  s.rig.messages.clear();
  s.rig.deleteSlot(1, true);
  s.rig.deleteSlot(2, true);
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
  QCOMPARE(s.sim.frame(1), s.chosenFrame());
  QCOMPARE(s.sim.frameCount(), 1);
}

void DownloadExchangeTest::noOpenPortSaysSoAndSendsNothing() {
  SimulatorProcess sim({"--frames", "0"});
  LinkRig rig;
  rig.mapPort(1, sim.device());
  rig.mapPort(2, QStringLiteral("/dev/ttyNoSuchPort9"));
  rig.build();
  rig.selectPort(1);
  QVERIFY(!rig.port.isOpen());
  rig.messages.clear();

  rig.click();
  QCOMPARE(rig.messages.shown.size(), 1);
  QCOMPARE(rig.messages.shown.first().prompt, ConfigDownload::kNotOpenPrompt);
  QCOMPARE(rig.messages.shown.first().title, QStringLiteral("Config confirmation"));
  QVERIFY(!rig.download->isRunning());
  QVERIFY(rig.cmdConfig->isEnabled());

  // The first frame the simulator sees is the one sent once a port is open.
  rig.messages.clear();
  rig.selectPort(0);
  rig.click();
  QCOMPARE(rig.prompts(), QStringList{kAccepted});
  QCOMPARE(sim.frameCount(), 1);
}

void DownloadExchangeTest::failureBeforeSendingStopsTheCommand_data() {
  QTest::addColumn<bool>("formFails");
  QTest::addColumn<QString>("prompt");  // how the message starts
  QTest::newRow("form that cannot be stored") << true << "VIN: it has 16 characters, 17 are needed";
  QTest::newRow("record that no frame can carry") << false << "Pgn2Priority: 9 ";
}

void DownloadExchangeTest::failureBeforeSendingStopsTheCommand() {
  QFETCH(bool, formFails);
  QFETCH(QString, prompt);
  Session s({"--frames", "0"});
  QVERIFY(s.ready());
  const auto store = s.rig.download->formToConfig;
  if (formFails)
    s.rig.download->formToConfig = [] {
      return MaybeFailure(
          Failure{QStringLiteral("VIN"), QStringLiteral("it has 16 characters, 17 are needed")});
    };
  else
    s.rig.record.Pgn2Priority = 9;
  s.rig.click();
  QCOMPARE(s.rig.messages.shown.size(), 1);
  QVERIFY2(s.rig.messages.shown.first().prompt.startsWith(prompt),
           qPrintable(s.rig.messages.shown.first().prompt));
  QCOMPARE(s.rig.messages.shown.first().title, ConfigDownload::kStoppedTitle);
  // No frame was built, nothing was queued.
  QCOMPARE(FrameBytes(s.rig.state.ConfigFrameV1), QByteArray(32, '\0'));
  QCOMPARE(s.rig.port.bytesToWrite(), 0);

  // Repaired, the next download's frame is the first the simulator sees.
  s.rig.messages.clear();
  s.rig.download->formToConfig = store;
  s.rig.record.Pgn2Priority = 7;
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
  QCOMPARE(s.sim.frame(1), s.chosenFrame());
  QCOMPARE(s.sim.frameCount(), 1);
}

void DownloadExchangeTest::withNothingToStoreTheRecordIsSentAsItIs() {
  Session s({});
  QVERIFY(s.ready());
  s.rig.download->formToConfig = nullptr;
  s.rig.state.Config = slotsInUse();
  s.rig.state.Config.SourceAddress = 0x7F;
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
  QCOMPARE(int(static_cast<uint8_t>(s.sim.frame(1).at(2))), 0x7F);
  QCOMPARE(s.rig.formStores, 0);
}

void DownloadExchangeTest::controlsAreDisabledWhileAnExchangeRuns() {
  Session s({"--frames", "0"});
  QVERIFY(s.ready());
  bool ran = false, running = false, buttonEnabled = true, listEnabled = true;
  duringTheExchange(&s.rig.window, [&] {
    ran = true;
    running = s.rig.download->isRunning();
    buttonEnabled = s.rig.cmdConfig->isEnabled();
    listEnabled = s.rig.cmbCOM->isEnabled();
    // A second exchange cannot start, by the button or by code.
    s.rig.cmdConfig->click();
    s.rig.click();
  });
  s.rig.click();
  QVERIFY(ran);
  QVERIFY(running);
  QVERIFY(!buttonEnabled);
  QVERIFY(!listEnabled);
  QCOMPARE(s.rig.prompts(), QStringList{kAccepted});
  QCOMPARE(s.rig.formStores, 1);
  QVERIFY(s.rig.cmdConfig->isEnabled());
  QVERIFY(s.rig.cmbCOM->isEnabled());
  QVERIFY(!s.rig.download->isRunning());
  QTest::qWait(100);
  QCOMPARE(s.sim.frameCount(), 1);
}

void DownloadExchangeTest::portChangeDuringAnExchangeWaitsForItsEnd() {
  SimulatorProcess first({"--frames", "0"});
  SimulatorProcess second({"--frames", "0"});
  LinkRig rig;
  rig.mapPort(1, first.device());
  rig.mapPort(2, second.device());
  rig.build();
  rig.selectPort(0);
  QVERIFY(rig.port.isOpen());

  QString deviceDuring;
  bool openDuring = false;
  duringTheExchange(&rig.window, [&] {
    // What loading a file or the defaults would do: select another port by code.
    rig.cmbCOM->setCurrentIndex(1);
    deviceDuring = rig.port.device();
    openDuring = rig.port.isOpen();
  });
  rig.click();
  QCOMPARE(deviceDuring, first.device());
  QVERIFY(openDuring);
  // The first simulator's answer was still heard.
  QCOMPARE(rig.prompts(), QStringList{kAccepted});
  // Then the change was made.
  QCOMPARE(rig.port.device(), second.device());
  QVERIFY(rig.port.isOpen());
  QVERIFY(rig.messages.titles().size() == 1);

  rig.click();
  QCOMPARE(rig.prompts(), QStringList({kAccepted, kAccepted}));
  QCOMPARE(second.frameCount(), 1);
  QCOMPARE(first.frameCount(), 1);
}

void DownloadExchangeTest::closeDuringAnExchangeEndsItThenCloses() {
  Session s({});
  QVERIFY(s.ready());
  // Installed after the download: it still must not see the request early.
  CloseWatcher shutDown;
  s.rig.window.installEventFilter(&shutDown);
  bool closed = true, visibleAfterRequest = false;
  int closesSeenDuring = -1;
  duringTheExchange(&s.rig.window, [&] {
    closed = s.rig.window.close();
    visibleAfterRequest = s.rig.window.isVisible();
    closesSeenDuring = shutDown.closes;
  });
  s.rig.click();
  QVERIFY(!closed);
  QVERIFY(visibleAfterRequest);
  QCOMPARE(closesSeenDuring, 0);
  QCOMPARE(shutDown.closes, 1);
  // The exchange ended without a verdict and let go of the port, then the
  // window closed.
  QVERIFY(s.rig.prompts().isEmpty());
  QVERIFY(!s.rig.download->isRunning());
  QVERIFY(!s.rig.selector->isHeld());
  QVERIFY(!s.rig.window.isVisible());
  QCOMPARE(s.rig.window.closesAccepted, 1);

  // Without an exchange, closing is immediate.
  s.rig.window.show();
  QVERIFY(s.rig.window.close());
  QCOMPARE(s.rig.window.closesAccepted, 2);
  QCOMPARE(shutDown.closes, 2);
}

void DownloadExchangeTest::portErrorEndsTheExchangeAtOnce() {
  Session s({"--silent"});
  QVERIFY(s.ready());
  // The clock stands still: only the port error can end the reply wait.
  s.rig.clock.followReal = false;
  bool watchdogFired = false;
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    watchdogFired = true;
    s.rig.clock.advance(ConfigDownload::kReplyWindowMs);
  });
  watchdog.start(20000);
  duringTheExchange(&s.rig.window, [&] { s.sim.quit(); });  // the adapter is pulled out
  s.rig.click();
  QVERIFY(!watchdogFired);
  QCOMPARE(s.rig.prompts(), QStringList{kRejected});
  QVERIFY(!s.rig.port.isOpen());
  QVERIFY(!s.rig.download->isRunning());
  QVERIFY(!s.rig.selector->isHeld());
  QVERIFY(s.rig.cmdConfig->isEnabled());

  // The next attempt says that no port is open.
  s.rig.messages.clear();
  s.rig.click();
  QCOMPARE(s.rig.prompts(), QStringList{ConfigDownload::kNotOpenPrompt});
}

void DownloadExchangeTest::simulatorCanBeReachedByAFixedName() {
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("j1939sim"));
  SimulatorProcess sim({"--link", link});
  QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device());
  {
    LinkRig rig;
    rig.mapPort(1, link);
    rig.build();
    rig.selectPort(0);
    QCOMPARE(rig.port.device(), link);
    rig.click();
    QCOMPARE(rig.prompts(), QStringList{kAccepted});
  }
  QVERIFY(sim.finish());
  QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

J1939_TEST(DownloadExchangeTest);
#include "tst_download_exchange.moc"
