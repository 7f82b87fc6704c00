// j1939sim: the J1939 ECU simulator's side of the configuration download, on a
// pseudo-terminal. The configurator opens the terminal's device as its COM port;
// j1939sim reads each configuration frame, checks and prints it, and answers
// as the options say (0x55 at once unless told otherwise). With --can it also
// plays the configured device on a CAN bus (BusPlayer).

#include <fcntl.h>

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error \
    "POSIX only: the emulator plays the simulator on a POSIX pseudo-terminal; this platform needs a port of this file"
#endif
#include <limits.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "apps/console/Console.h"
#include "apps/j1939sim/BusPlayer.h"
#include "apps/j1939sim/SimulatorOptions.h"
#include "link/bus/CanBus.h"
#include "rules/j1939/DeviceExpectations.h"
#include "rules/protocol/ConfigFrames.h"
#include "rules/record/RecordCodec.h"
#include "rules/record/RecordReading.h"

namespace j1939 {

namespace {

// The link this run made and the device it points to, for the stop signals'
// handler: it must end the emulator wherever it is, also inside a write that
// waits for a terminal nobody reads, and remove the link only while it is
// still this run's own.
char ownLink[PATH_MAX] = {};  // empty: no link
char ownDevice[PATH_MAX] = {};

// Async-signal-safe: readlink and unlink only.
void removeOwnLink() {
  if (ownLink[0] == '\0') return;
  char target[PATH_MAX];
  const ssize_t n = ::readlink(ownLink, target, sizeof target - 1);
  if (n < 0) return;
  target[n] = '\0';
  if (std::strcmp(target, ownDevice) == 0) ::unlink(ownLink);
}

void onStopSignal(int) {
  removeOwnLink();
  ::_exit(0);
}

// A link that an emulator made, this one or an earlier one that could not
// remove it: a symbolic link to a pseudo-terminal's device.
bool isEmulatorLink(const char* path) {
  char target[PATH_MAX];
  const ssize_t n = ::readlink(path, target, sizeof target - 1);
  if (n < 0) return false;
  static const QRegularExpression pty(QStringLiteral("^/dev/pts/[0-9]+$"));
  return pty.match(QString::fromLocal8Bit(target, n)).hasMatch();
}

bool makeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// A command line longer than this is no command: it is dropped up to its end,
// so that a stream without newlines costs neither time nor memory.
constexpr qsizetype kMaxCommandLength = 4096;

// The serial side, on the event loop that the bus side shares: the terminal's
// bytes and standard input wake it through socket notifiers, replies due later
// and the pause that drops a partial frame are timers.
class Simulator {
 public:
  // `accepted` runs for each frame whose answer, sent, accepts it (one byte 55).
  Simulator(const SimulatorOptions& options, int master,
            std::function<void(const DecodedConfigFrame&)> accepted)
      : options_(options),
        master_(master),
        accepted_(std::move(accepted)),
        deviceReadable_(master, QSocketNotifier::Read),
        deviceWritable_(master, QSocketNotifier::Write),
        input_(STDIN_FILENO, QSocketNotifier::Read) {
    deviceWritable_.setEnabled(false);
    QObject::connect(&deviceReadable_, &QSocketNotifier::activated, [this] { readDevice(); });
    QObject::connect(&deviceWritable_, &QSocketNotifier::activated, [this] { writeHeld(); });
    QObject::connect(&input_, &QSocketNotifier::activated, [this] { readInput(); });
    gapTimer_.setSingleShot(true);
    gapTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&gapTimer_, &QTimer::timeout, [this] { dropStalePartialFrame(); });
  }

 private:
  // The end of standard input, or "quit", ends the simulator.
  void readInput() {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    if (n <= 0 || !takeInput(buffer, n)) {
      input_.setEnabled(false);
      QCoreApplication::quit();
    }
  }

  // Runs the complete lines in `data`, looking at each byte once; false to stop.
  bool takeInput(const char* data, qsizetype size) {
    const char* const end = data + size;
    while (data < end) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
      const char* lineEnd = newline != nullptr ? newline : end;
      if (!droppingLine_ && inputLine_.size() + (lineEnd - data) > kMaxCommandLength) {
        Complain(QStringLiteral("a line longer than %1 characters is no command; dropped")
                     .arg(kMaxCommandLength));
        inputLine_.clear();
        droppingLine_ = true;
      }
      if (!droppingLine_) inputLine_.append(data, lineEnd - data);
      if (newline == nullptr) break;
      const QString command = QString::fromLocal8Bit(inputLine_).trimmed();
      const bool dropped = droppingLine_;
      inputLine_.clear();
      droppingLine_ = false;
      if (!dropped && !runCommand(command)) return false;
      data = newline + 1;
    }
    return true;
  }

  // Queues the bytes for the terminal and writes what it takes now. While
  // nobody reads the device its buffer stays full: that wait is said once,
  // and the rest goes out when the terminal takes bytes again.
  void writeAll(const QByteArray& bytes) {
    held_ += bytes;
    writeHeld();
    if (held_.isEmpty() || deviceWritable_.isEnabled()) return;
    Say(QStringLiteral("output held: nobody reads the device; %1 bytes wait").arg(held_.size()));
    deviceWritable_.setEnabled(true);
  }

  void writeHeld() {
    while (!held_.isEmpty()) {
      const ssize_t n = ::write(master_, held_.constData(), static_cast<size_t>(held_.size()));
      if (n > 0) {
        held_.remove(0, n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN) held_.clear();  // the terminal is gone
      break;
    }
    if (held_.isEmpty()) deviceWritable_.setEnabled(false);
  }

  void sendReply(int frameNumber, const QByteArray& bytes,
                 const std::optional<DecodedConfigFrame>& frame) {
    writeAll(bytes);
    Say(QStringLiteral("reply %1: %2").arg(frameNumber).arg(HexBytes(bytes)));
    if (frame && bytes == QByteArray(1, static_cast<char>(ConfigAckByte))) accepted_(*frame);
  }

  void readDevice() {
    char buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return;
    gapTimer_.start(options_.gapMs);
    for (ssize_t i = 0; i < n; ++i) {
      if (options_.frames != 0 && served_ >= options_.frames) {
        ignored_.append(buffer[i]);
        continue;
      }
      partial_.append(buffer[i]);
      if (partial_.size() == options_.frameLength) {
        handleFrame(partial_);
        partial_.clear();
      }
    }
    if (!ignored_.isEmpty()) {
      Say(QStringLiteral("ignored: %1").arg(HexBytes(ignored_)));
      ignored_.clear();
    }
  }

  void dropStalePartialFrame() {
    if (partial_.isEmpty()) return;
    Say(QStringLiteral("dropped %1 byte%2 after a pause: %3")
            .arg(partial_.size())
            .arg(partial_.size() == 1 ? "" : "s")
            .arg(HexBytes(partial_)));
    partial_.clear();
  }

  void handleFrame(const QByteArray& frame) {
    const int number = ++received_;
    Say(QStringLiteral("frame %1: %2 bytes: %3")
            .arg(number)
            .arg(frame.size())
            .arg(HexBytes(frame)));
    DecodedConfigFrame decoded;
    std::optional<DecodedConfigFrame> wellFormed;
    std::optional<QByteArray> reply;
    int delayMs = 0;
    if (const MaybeFailure failure = DecodeConfigFrame(frame, decoded)) {
      Say(QStringLiteral("  refused: %1").arg(DescribeFailure(*failure)));
      reply = options_.badFrameReply;
    } else {
      for (const QString& line : DescribeConfigFrame(decoded)) Say(QStringLiteral("  ") + line);
      wellFormed = decoded;
      const SimulatorAnswer& answer = options_.answerTo(++served_);
      reply = answer.bytes;
      delayMs = answer.delayMs;
    }
    if (!reply || reply->isEmpty()) {
      Say(QStringLiteral("reply %1: none").arg(number));
    } else if (delayMs == 0) {
      sendReply(number, *reply, wellFormed);
    } else {
      QTimer::singleShot(delayMs, Qt::PreciseTimer, [this, number, bytes = *reply, wellFormed] {
        sendReply(number, bytes, wellFormed);
      });
    }
    if (options_.frames != 0 && served_ == options_.frames)
      Say(QStringLiteral("served %1 frame%2").arg(served_).arg(served_ == 1 ? "" : "s"));
  }

  // false to stop.
  bool runCommand(const QString& command) {
    if (command.isEmpty()) return true;
    if (command == QLatin1String("quit")) return false;
    if (command.startsWith(QLatin1String("send "))) {
      const std::optional<QByteArray> bytes = ParseHexBytes(command.mid(5));
      if (bytes && !bytes->isEmpty()) {
        writeAll(*bytes);
        Say(QStringLiteral("sent: %1").arg(HexBytes(*bytes)));
        return true;
      }
    }
    Complain(QStringLiteral("unknown command \"%1\" (send HEX[,HEX...] or quit)").arg(command));
    return true;
  }

  const SimulatorOptions& options_;
  int master_;
  std::function<void(const DecodedConfigFrame&)> accepted_;
  QSocketNotifier deviceReadable_;
  QSocketNotifier deviceWritable_;
  QSocketNotifier input_;
  QTimer gapTimer_;
  QByteArray inputLine_;
  bool droppingLine_ = false;
  QByteArray partial_;
  QByteArray ignored_;
  QByteArray held_;   // bytes the terminal has not taken yet
  int received_ = 0;  // every frame, as numbered in the output
  int served_ = 0;    // those that passed the length and checksum check: the budget
};

// The configuration in a .cfg file, as the frame of the record's own version
// carries it to the device; a record that no frame can carry is refused.
MaybeFailure readConfigFile(const QString& path, DecodedConfigFrame& frame) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return Failure{path, file.errorString()};
  SimulatorConfig record;
  if (MaybeFailure failure = DecodeConfigRecord(file.readAll(), record)) {
    failure->what = path;
    return failure;
  }
  ConfigFrameV1Bytes v1{};
  ConfigFrameV2Bytes v2{};
  if (MaybeFailure failure = BuildConfigFrames(record, v1, v2)) {
    failure->what = path + QStringLiteral(": ") + failure->what;
    return failure;
  }
  const QByteArray bytes = SimulatorVersionOf(record.SimulatorVersion) == SimVersion::V101
                               ? FrameBytes(v1)
                               : FrameBytes(v2);
  return DecodeConfigFrame(bytes, frame);
}

// The link goes where nothing stands, or replaces an emulator's old link;
// anything else at that path is the user's and stays as it is.
std::optional<QString> linkRefusal(const QString& path) {
  const QByteArray link = path.toLocal8Bit();
  struct stat existing {};
  if (!link.isEmpty() && ::lstat(link.constData(), &existing) == 0 &&
      !isEmulatorLink(link.constData()))
    return QStringLiteral(
               "--link %1: something other than an emulator's link is there; "
               "it is left as it is")
        .arg(path);
  if (link.size() >= PATH_MAX) return QStringLiteral("--link %1: the path is too long").arg(path);
  return std::nullopt;
}

// The pseudo-terminal the configurator opens as its port: the emulator's end
// (non-blocking), and the device end held open too, so that the terminal never
// hangs up while the configurator closes and reopens its port and no byte is
// echoed back before the configurator has put the line into raw mode.
struct Terminal {
  int master = -1;
  int keep = -1;
  QString device;
};

std::optional<Terminal> openTerminal() {
  Terminal t;
  t.master = posix_openpt(O_RDWR | O_NOCTTY);
  if (t.master < 0 || grantpt(t.master) != 0 || unlockpt(t.master) != 0) {
    Complain(QStringLiteral("cannot create a pseudo-terminal: %1")
                 .arg(QString::fromLocal8Bit(strerror(errno))));
    return std::nullopt;
  }
  const char* name = ptsname(t.master);
  if (name == nullptr) {
    Complain(QStringLiteral("pseudo-terminal has no device name"));
    return std::nullopt;
  }
  t.device = QString::fromLocal8Bit(name);
  t.keep = ::open(name, O_RDWR | O_NOCTTY);
  if (t.keep < 0 || !makeRaw(t.master) || !makeRaw(t.keep)) {
    Complain(QStringLiteral("cannot set up %1: %2")
                 .arg(t.device, QString::fromLocal8Bit(strerror(errno))));
    return std::nullopt;
  }
  fcntl(t.master, F_SETFL, fcntl(t.master, F_GETFL) | O_NONBLOCK);
  return t;
}

// SIGINT, SIGTERM and the terminal's hang-up end the emulator wherever it is,
// and remove its link.
void stopOnSignals(const QByteArray& device) {
  std::strncpy(ownDevice, device.constData(), sizeof ownDevice - 1);
  struct sigaction stop {};
  stop.sa_handler = onStopSignal;
  sigemptyset(&stop.sa_mask);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    ::sigaction(signal, &stop, nullptr);
    sigaddset(&stopSignals, signal);
  }
  // Whoever started the emulator may have left them blocked.
  sigprocmask(SIG_UNBLOCK, &stopSignals, nullptr);
}

// The command line into `options`. The exit status of a run that ends here:
// one that does not read, or a --link that would replace what is not an
// emulator's link (2), or one that asks for the help (0).
std::optional<int> readCommandLine(int argc, char* argv[], SimulatorOptions& options) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (const std::optional<QString> error = ParseSimulatorOptions(arguments, options)) {
    Complain(*error);
    return 2;
  }
  if (options.help) {
    std::fputs(kSimulatorUsage, stdout);
    return 0;
  }
  if (const std::optional<QString> refusal = linkRefusal(options.link)) {
    Complain(*refusal);
    return 2;
  }
  return std::nullopt;
}

// The frame of --config's file, which the device plays from the start; false
// when the file cannot be read or carried (said).
bool readInitialFrame(const SimulatorOptions& options, DecodedConfigFrame& initial) {
  if (options.configFile.isEmpty()) return true;
  if (const MaybeFailure failure = readConfigFile(options.configFile, initial)) {
    Complain(QStringLiteral("--config %1").arg(DescribeFailure(*failure)));
    return false;
  }
  return true;
}

// With --can, the bus opened and the player that plays the configured device
// on it; false when the bus does not open (said).
bool startPlayer(CanBus& bus, const SimulatorOptions& options, std::unique_ptr<BusPlayer>& player) {
  if (options.can.isEmpty()) return true;
  if (const MaybeFailure failure = bus.open(options.can)) {
    Complain(QStringLiteral("--can %1").arg(DescribeFailure(*failure)));
    return false;
  }
  player = std::make_unique<BusPlayer>(bus, options.busLoad);
  return true;
}

// With --link, the link to the terminal's `device`, made this run's own so
// that the stop signals remove it; false when it cannot be made (said).
bool makeLink(const QString& path, const QByteArray& device) {
  const QByteArray link = path.toLocal8Bit();
  if (link.isEmpty()) return true;
  std::memcpy(ownLink, link.constData(), static_cast<size_t>(link.size()));
  if (isEmulatorLink(link.constData())) ::unlink(link.constData());
  if (::symlink(device.constData(), link.constData()) != 0) {
    Complain(QStringLiteral("cannot make the link %1: %2")
                 .arg(path, QString::fromLocal8Bit(strerror(errno))));
    ownLink[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace

}  // namespace j1939

int main(int argc, char* argv[]) {
  // main() is the one name the language wants global; the program's own are j1939's.
  using namespace j1939;
  // A descriptor 0, 1 or 2 left closed would be taken by the event loop's own.
  for (int fd = 0; fd <= 2; ++fd)
    if (::fcntl(fd, F_GETFD) < 0) ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  SetConsoleProgram("j1939sim");
  SimulatorOptions options;
  if (const std::optional<int> status = readCommandLine(argc, argv, options)) return *status;
  DecodedConfigFrame initial;
  if (!readInitialFrame(options, initial)) return 2;
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication application(argc, argv);
  // The virtual bus tells of its server and clients at info level: noise in
  // the emulator's log (QT_LOGGING_RULES can bring it back).
  QLoggingCategory::setFilterRules(QStringLiteral("qt.canbus.plugins.virtualcan.info=false"));
  CanBus bus;
  std::unique_ptr<BusPlayer> player;
  if (!startPlayer(bus, options, player)) return 1;

  const std::optional<Terminal> terminal = openTerminal();
  if (!terminal) return 1;
  const int master = terminal->master;
  const QByteArray name = terminal->device.toLocal8Bit();
  stopOnSignals(name);
  if (!makeLink(options.link, name)) return 1;

  Say(terminal->device);
  // What the device plays follows from the frame alone, as on the real device.
  auto play = [&player](const DecodedConfigFrame& frame) {
    if (player) player->play(ExpectationsOf(ConfigFromFrame(frame)));
  };
  Simulator simulator(options, master, play);
  if (!options.configFile.isEmpty()) play(initial);
  QCoreApplication::exec();
  player.reset();
  removeOwnLink();
  ::close(terminal->keep);
  ::close(master);
  return 0;
}
