// j1939sim: the J1939 ECU simulator's side of the configuration download, on a
// pseudo-terminal. The configurator opens the terminal's device as its COM port;
// j1939sim reads each configuration frame, checks and prints it, and answers
// as the options say (0x55 at once unless told otherwise).

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "SimulatorOptions.h"
#include "apps/common/Console.h"
#include "link/ConfigFrames.h"

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

qint64 nowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool makeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Writes every byte, waiting for room as long as it takes: the terminal's
// buffer is full only while nobody reads the device. That wait is said once,
// and a stop signal ends it like any other.
void writeAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  bool held = false;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;
    if (!held)
      say(QStringLiteral("output held: nobody reads the device; %1 bytes wait")
              .arg(bytes.size() - done));
    held = true;
    pollfd out{fd, POLLOUT, 0};
    ::poll(&out, 1, -1);
  }
}

struct PendingReply {
  qint64 dueMs;
  int frameNumber;
  QByteArray bytes;
};

// A command line longer than this is no command: it is dropped up to its end,
// so that a stream without newlines costs neither time nor memory.
constexpr qsizetype kMaxCommandLength = 4096;

class Simulator {
 public:
  Simulator(const SimulatorOptions& options, int master) : options_(options), master_(master) {}

  // Runs until standard input ends or says "quit". SIGINT and SIGTERM end
  // the process from their handler.
  int run() {
    for (;;) {
      sendDueReplies();
      pollfd fds[2] = {{master_, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
      const int ready = ::poll(fds, 2, timeoutMs());
      if (ready < 0) {
        if (errno == EINTR) continue;
        complain(QStringLiteral("poll: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        return 1;
      }
      if (fds[0].revents & POLLIN) readDevice();
      if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
          if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
          return 0;  // the end of standard input ends the simulator
        }
        if (!takeInput(buffer, n)) return 0;
      }
      dropStalePartialFrame();
    }
  }

 private:
  // Runs the complete lines in `data`, looking at each byte once; false to stop.
  bool takeInput(const char* data, qsizetype size) {
    const char* const end = data + size;
    while (data < end) {
      const char* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
      const char* lineEnd = newline != nullptr ? newline : end;
      if (!droppingLine_ && inputLine_.size() + (lineEnd - data) > kMaxCommandLength) {
        complain(QStringLiteral("a line longer than %1 characters is no command; dropped")
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

  int timeoutMs() const {
    qint64 due = -1;
    for (const PendingReply& reply : pending_)
      due = due < 0 ? reply.dueMs : std::min(due, reply.dueMs);
    if (!partial_.isEmpty()) {
      const qint64 gapEnd = lastByteMs_ + options_.gapMs;
      due = due < 0 ? gapEnd : std::min(due, gapEnd);
    }
    if (due < 0) return -1;
    return static_cast<int>(std::max<qint64>(0, due - nowMs()));
  }

  void sendDueReplies() {
    const qint64 now = nowMs();
    for (qsizetype i = 0; i < pending_.size();) {
      if (pending_[i].dueMs > now) {
        ++i;
        continue;
      }
      const PendingReply reply = pending_.takeAt(i);
      writeAll(master_, reply.bytes);
      say(QStringLiteral("reply %1: %2").arg(reply.frameNumber).arg(HexBytes(reply.bytes)));
    }
  }

  void readDevice() {
    char buffer[512];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) return;
    lastByteMs_ = nowMs();
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
      say(QStringLiteral("ignored: %1").arg(HexBytes(ignored_)));
      ignored_.clear();
    }
  }

  void dropStalePartialFrame() {
    if (partial_.isEmpty() || nowMs() - lastByteMs_ < options_.gapMs) return;
    say(QStringLiteral("dropped %1 byte%2 after a pause: %3")
            .arg(partial_.size())
            .arg(partial_.size() == 1 ? "" : "s")
            .arg(HexBytes(partial_)));
    partial_.clear();
  }

  void handleFrame(const QByteArray& frame) {
    const int number = ++received_;
    say(QStringLiteral("frame %1: %2 bytes: %3")
            .arg(number)
            .arg(frame.size())
            .arg(HexBytes(frame)));
    DecodedConfigFrame decoded;
    std::optional<QByteArray> reply;
    int delayMs = 0;
    if (const MaybeFailure failure = DecodeConfigFrame(frame, decoded)) {
      say(QStringLiteral("  refused: %1").arg(describeFailure(*failure)));
      reply = options_.badFrameReply;
    } else {
      for (const QString& line : DescribeConfigFrame(decoded)) say(QStringLiteral("  ") + line);
      const SimulatorAnswer& answer = options_.answerTo(++served_);
      reply = answer.bytes;
      delayMs = answer.delayMs;
    }
    if (!reply || reply->isEmpty()) {
      say(QStringLiteral("reply %1: none").arg(number));
    } else {
      pending_.append({nowMs() + delayMs, number, *reply});
      sendDueReplies();
    }
    if (options_.frames != 0 && served_ == options_.frames)
      say(QStringLiteral("served %1 frame%2").arg(served_).arg(served_ == 1 ? "" : "s"));
  }

  // false to stop.
  bool runCommand(const QString& command) {
    if (command.isEmpty()) return true;
    if (command == QLatin1String("quit")) return false;
    if (command.startsWith(QLatin1String("send "))) {
      const std::optional<QByteArray> bytes = ParseHexBytes(command.mid(5));
      if (bytes && !bytes->isEmpty()) {
        writeAll(master_, *bytes);
        say(QStringLiteral("sent: %1").arg(HexBytes(*bytes)));
        return true;
      }
    }
    complain(QStringLiteral("unknown command \"%1\" (send HEX[,HEX...] or quit)").arg(command));
    return true;
  }

  const SimulatorOptions& options_;
  int master_;
  QByteArray inputLine_;
  bool droppingLine_ = false;
  QByteArray partial_;
  QByteArray ignored_;
  qint64 lastByteMs_ = 0;
  int received_ = 0;  // every frame, as numbered in the output
  int served_ = 0;    // those that passed the length and checksum check: the budget
  QList<PendingReply> pending_;
};

}  // namespace

int main(int argc, char* argv[]) {
  SetConsoleProgram("j1939sim");
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  SimulatorOptions options;
  if (const std::optional<QString> error = ParseSimulatorOptions(arguments, options)) {
    complain(*error);
    return 2;
  }
  if (options.help) {
    std::fputs(kSimulatorUsage, stdout);
    return 0;
  }
  // The link goes where nothing stands, or replaces an emulator's old link;
  // anything else at that path is the user's and stays as it is.
  const QByteArray link = options.link.toLocal8Bit();
  struct stat existing {};
  if (!link.isEmpty() && ::lstat(link.constData(), &existing) == 0 &&
      !isEmulatorLink(link.constData())) {
    complain(QStringLiteral("--link %1: something other than an emulator's link is there; "
                            "it is left as it is")
                 .arg(options.link));
    return 2;
  }
  if (link.size() >= PATH_MAX) {
    complain(QStringLiteral("--link %1: the path is too long").arg(options.link));
    return 2;
  }
  std::signal(SIGPIPE, SIG_IGN);

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    complain(QStringLiteral("cannot create a pseudo-terminal: %1")
                 .arg(QString::fromLocal8Bit(strerror(errno))));
    return 1;
  }
  const char* name = ptsname(master);
  if (name == nullptr) {
    complain(QStringLiteral("pseudo-terminal has no device name"));
    return 1;
  }
  const QString device = QString::fromLocal8Bit(name);
  // Hold the device end open too: the terminal then never hangs up while the
  // configurator closes and reopens its port, and bytes are not echoed back
  // before the configurator has put the line into raw mode.
  const int keep = ::open(name, O_RDWR | O_NOCTTY);
  if (keep < 0 || !makeRaw(master) || !makeRaw(keep)) {
    complain(QStringLiteral("cannot set up %1: %2")
                 .arg(device, QString::fromLocal8Bit(strerror(errno))));
    return 1;
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

  // SIGINT, SIGTERM and the terminal's hang-up end the emulator wherever it
  // is, and remove its link.
  std::strncpy(ownDevice, name, sizeof ownDevice - 1);
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

  if (!link.isEmpty()) {
    std::memcpy(ownLink, link.constData(), static_cast<size_t>(link.size()));
    if (isEmulatorLink(link.constData())) ::unlink(link.constData());
    if (::symlink(name, link.constData()) != 0) {
      complain(QStringLiteral("cannot make the link %1: %2")
                   .arg(options.link, QString::fromLocal8Bit(strerror(errno))));
      ownLink[0] = '\0';
      return 1;
    }
  }

  say(device);
  Simulator simulator(options, master);
  const int status = simulator.run();
  removeOwnLink();
  ::close(keep);
  ::close(master);
  return status;
}
