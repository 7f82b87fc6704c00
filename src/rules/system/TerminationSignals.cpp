#include "rules/system/TerminationSignals.h"

#include <QtGlobal>
#ifndef Q_OS_UNIX
#error "POSIX only: termination signals are POSIX signals; this platform needs a port of this file"
#endif

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace j1939 {

namespace {

// SIGHUP is what a run started from a terminal gets when the terminal closes.
constexpr std::array kSignals = {SIGTERM, SIGINT, SIGHUP};
constexpr int kSignalCount = static_cast<int>(kSignals.size());

// Bounds-checked like every standard container here: a stray index stops the
// program instead of closing someone else's descriptor.
std::array<int, 2> g_fds = {-1, -1};  // [0] written by the handler, [1] read by the notifier
std::array<struct sigaction, kSignalCount> g_previous;

extern "C" void onTerminationSignal(int signalNumber) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(signalNumber);
  // A full socket means a request is already pending; losing this one is fine.
  [[maybe_unused]] const ssize_t ignored = ::write(g_fds[0], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  Q_ASSERT(g_fds[0] < 0);
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_fds.data()) != 0) {
    g_fds[0] = g_fds[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPending);

  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &action, &g_previous[i]);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &g_previous[i], nullptr);
  delete notifier_;
  notifier_ = nullptr;
  ::close(g_fds[0]);
  ::close(g_fds[1]);
  g_fds[0] = g_fds[1] = -1;
}

void TerminationSignals::readPending() {
  char bytes[16];
  const ssize_t count = ::read(g_fds[1], bytes, sizeof bytes);
  for (ssize_t i = 0; i < count; ++i)
    emit terminationRequested(static_cast<unsigned char>(bytes[i]));
}

}  // namespace j1939

#include "moc_TerminationSignals.cpp"
