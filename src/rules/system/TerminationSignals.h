#pragma once

#include <QObject>

class QSocketNotifier;

namespace j1939 {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the user-interface thread, so
// that a run ended by the system, by Ctrl+C or by closing its terminal ends the way the close box
// ends it. The handlers only write the signal number into a socket pair (the only work a signal
// handler may safely do); a socket notifier reads it in the event loop. One instance at a time; the
// previous handlers come back when it goes.
class TerminationSignals : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // False when the handlers could not be installed (the signals then keep
  // their default effect).
  bool isInstalled() const { return notifier_ != nullptr; }

 signals:
  void terminationRequested(int signalNumber);

 private:
  void readPending();
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace j1939
