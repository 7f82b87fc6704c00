#pragma once

// The far ends a test talks to over a real terminal: a pseudo-terminal the test
// holds itself, and the simulator emulator j1939sim run as a process. Header
// only: the emulator's path comes from the test executable (J1939_BIN_DIR).

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <QtTest>
#include <cstdlib>

// A pseudo-terminal held by the test itself: the port opens `device`, the
// test plays the far end on `master`.
class TestPty {
 public:
  TestPty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return;
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 || ptsname(master_) == nullptr) {
      closeMaster();
      return;
    }
    device_ = QString::fromLocal8Bit(ptsname(master_));
    termios tio{};
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~TestPty() { closeMaster(); }
  bool isValid() const { return master_ >= 0; }
  QString device() const { return device_; }
  int master() const { return master_; }
  void write(const QByteArray& bytes) {
    if (master_ >= 0)
      QCOMPARE(::write(master_, bytes.constData(), static_cast<size_t>(bytes.size())),
               static_cast<ssize_t>(bytes.size()));
  }
  // Waits (processing events) until `count` bytes have arrived, or 5 s.
  QByteArray read(int count) {
    QByteArray bytes;
    (void)QTest::qWaitFor(
        [&] {
          char buffer[256];
          ssize_t n;
          while (master_ >= 0 && (n = ::read(master_, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
          return bytes.size() >= count;
        },
        5000);
    return bytes;
  }
  // The far end goes away, as when an adapter is pulled out.
  void closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  QString device_;
};

// The simulator emulator, run for one test.
class SimulatorProcess {
 public:
  explicit SimulatorProcess(const QStringList& arguments) {
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardOutput);
    process_.start(QStringLiteral(J1939_BIN_DIR "/apps/j1939sim/j1939sim"), arguments);
    if (!process_.waitForStarted(5000)) return;
    // The first line is the device; nothing else is printed before a frame.
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
    }
    if (process_.canReadLine()) device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~SimulatorProcess() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) {
      process_.kill();
      process_.waitForFinished(3000);
    }
  }
  // The device it serves, empty if it did not start.
  QString device() const { return device_; }
  // Everything it has printed so far, a line each.
  QStringList lines() {
    pending_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
      lines_ << QString::fromLocal8Bit(pending_.left(end));
      pending_.remove(0, end + 1);
    }
    return lines_;
  }
  // Waits (processing events) for a printed line that starts with `prefix`.
  QString waitForLine(const QString& prefix, int timeoutMs = 5000) {
    QString found;
    (void)QTest::qWaitFor(
        [&] {
          for (const QString& line : lines())
            if (line.startsWith(prefix)) found = line;
          return !found.isEmpty();
        },
        timeoutMs);
    return found;
  }
  // The bytes of frame `number` as it received them ("" if none).
  QByteArray frame(int number) {
    // "frame 1: 32 bytes: FF 00 ..."
    const QString line = waitForLine(QStringLiteral("frame %1: ").arg(number), 2000);
    return QByteArray::fromHex(line.section(QStringLiteral(": "), 2).toLatin1());
  }
  int frameCount() {
    int count = 0;
    for (const QString& line : lines())
      if (line.startsWith(QLatin1String("frame "))) ++count;
    return count;
  }
  // Sends bytes to the port unasked.
  void send(const QByteArray& bytes) {
    process_.write("send " + bytes.toHex(',') + "\n");
    QVERIFY(!waitForLine(QStringLiteral("sent: ")).isEmpty());
  }
  // A line on its standard input, as a user types it.
  void type(const QByteArray& line) { process_.write(line + '\n'); }
  // What it has said on standard error, waiting (processing events) up to 2 s
  // for the first words while it runs.
  QString errors() {
    (void)QTest::qWaitFor(
        [&] {
          errors_ += QString::fromLocal8Bit(process_.readAllStandardError());
          return !errors_.isEmpty() || process_.state() == QProcess::NotRunning;
        },
        2000);
    return errors_ += QString::fromLocal8Bit(process_.readAllStandardError());
  }
  // Its exit status, once it has ended by itself (-1 if it did not within 5 s).
  int exitCode() {
    if (!process_.waitForFinished(5000) && process_.state() != QProcess::NotRunning) return -1;
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
  }
  // SIGTERM, as kill sends it; true if it then ended with status 0 within 5 s.
  bool terminate() {
    process_.terminate();
    return exitCode() == 0;
  }
  // Ends the emulator: its end of the terminal closes.
  void quit() { process_.closeWriteChannel(); }
  // Ends it and waits for its exit; true if it ended by itself, with status 0.
  bool finish() {
    process_.closeWriteChannel();
    return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
  }

 private:
  QProcess process_;
  QString device_;
  QByteArray pending_;
  QStringList lines_;
  QString errors_;
};
