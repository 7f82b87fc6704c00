#pragma once

// The programs a test runs as a user would: j1939sim at the far end of a
// pseudo-terminal, j1939cfg and the configurator itself; the build gives their
// paths.

#include <signal.h>

#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>

inline QString programPath(const char* name) {
  const QLatin1String program(name);
  if (program == QLatin1String("j1939sim")) return QStringLiteral(J1939SIM_PATH);
  if (program == QLatin1String("j1939cfg")) return QStringLiteral(J1939CFG_PATH);
  return QStringLiteral(J1939CONFIG_PATH);
}

// One finished run: its exit status (-1 if it did not end by itself) and outputs.
struct Run {
  int exitCode = -1;
  QString out;
  QString err;
};

inline Run finish(QProcess& process) {
  Run run;
  // Events processed meanwhile may already have seen it end.
  const bool ended = process.state() == QProcess::NotRunning || process.waitForFinished(15000);
  if (ended && process.error() != QProcess::FailedToStart &&
      process.exitStatus() == QProcess::NormalExit)
    run.exitCode = process.exitCode();
  else
    process.kill();
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

inline Run runProgram(const char* name, const QStringList& arguments) {
  QProcess process;
  process.start(programPath(name), arguments);
  return finish(process);
}

inline Run runCfg(const QStringList& arguments) {
  return runProgram("j1939cfg", arguments);
}

// The id of a process that has ended, as a crashed writer's lock file names
// it; 0 if none could be run.
inline qint64 endedProcessId() {
  QProcess ended;
  ended.start("true");
  const qint64 pid = ended.waitForStarted() ? ended.processId() : 0;
  return ended.waitForFinished() ? pid : 0;
}

// "00 04 A5 ..." as bytes.
inline QByteArray fromHex(const QString& text) {
  return QByteArray::fromHex(text.toLatin1());
}

// Sleeps on `source`'s `signal` until `done`, for at most `ms`.
template <typename Source, typename Signal>
bool until(Source* source, Signal signal, const std::function<bool()>& done, int ms = 8000) {
  QEventLoop loop;
  QObject::connect(source, signal, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  if (!done()) loop.exec();
  return done();
}

// A program run beside the test, what it prints read as it comes.
class ProgramProcess {
 public:
  ProgramProcess(const char* name, const QStringList& arguments) {
    process_.start(programPath(name), arguments);
  }
  // Everything it has printed so far.
  QString output() {
    printed_ += process_.readAllStandardOutput();
    return QString::fromUtf8(printed_);
  }
  // Waits (processing events) up to `ms` for a whole printed line that
  // `found` holds for.
  std::optional<QString> lineWhere(const std::function<bool(const QString&)>& found,
                                   int ms = 8000) {
    std::optional<QString> line;
    (void)QTest::qWaitFor(
        [&] {
          const QStringList lines = output().split('\n');  // the last is not whole
          const auto at = std::find_if(lines.cbegin(), lines.cend() - 1, found);
          if (at != lines.cend() - 1) line = *at;
          return line.has_value();
        },
        ms);
    return line;
  }
  // The first printed line that starts with `prefix`, waited for; empty if none came.
  QString waitForLine(const QString& prefix) {
    return lineWhere([&](const QString& line) { return line.startsWith(prefix); }).value_or("");
  }
  // Ctrl-C.
  void interrupt() { ::kill(static_cast<pid_t>(process_.processId()), SIGINT); }
  // Sleeps on events (a bus's included) until it ends, for at most 20 s.
  Run end() {
    (void)until(
        &process_, &QProcess::finished, [&] { return process_.state() == QProcess::NotRunning; },
        20000);
    Run run = finish(process_);
    run.out = QString::fromUtf8(printed_) + run.out;
    return run;
  }

 protected:
  QProcess process_;

 private:
  QByteArray printed_;
};

// The simulator emulator, run for one test; it prints its device first.
class SimulatorProcess : public ProgramProcess {
 public:
  explicit SimulatorProcess(const QStringList& arguments) : ProgramProcess("j1939sim", arguments) {
    while (process_.waitForStarted(5000) && !process_.canReadLine() &&
           process_.waitForReadyRead(5000)) {
    }
    if (process_.canReadLine()) device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
  }
  ~SimulatorProcess() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished(3000);
  }
  QString device() const { return device_; }
  // Lines typed on its standard input; then what it said on standard error,
  // once it has ended.
  void type(const QByteArray& lines) { process_.write(lines); }
  QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }
  // Ends it: its end of the terminal closes, as when an adapter is pulled out.
  bool quit() {
    process_.closeWriteChannel();
    return process_.waitForFinished(5000) && process_.exitCode() == 0;
  }

 private:
  QString device_;
};
