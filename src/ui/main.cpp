#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSessionManager>

#include "config/AppInfo.h"
#include "platform/Platform.h"
#include "platform/TerminationSignals.h"
#include "ui/MainWindow.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(kAppTitle);
  QApplication::setApplicationName(kAppTitle);
  // Every window of the run, the About box and the message boxes included, carries the icon.
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/j1939config-64.png")));

  QtPlatform seams;
  MainWindow window(seams.platform(), QDir::currentPath());
  seams.setOwner(&window);

  // The end of the desktop session, SIGTERM, SIGINT and SIGHUP end the run the
  // way the close box does, so that j1939.cfg is written. Installed before the
  // start-up so that a request during it (while a message waits) is not lost.
  // A run asked to end always ends: once the window has shut down (after any
  // message that the shut-down showed), the event loop is left as well, even
  // if the closing of the window did not end it.
  TerminationSignals termination;
  QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&window] {
    window.requestClose();
    if (window.hasShutDown()) QCoreApplication::exit(0);
  });
  QObject::connect(
      &app, &QGuiApplication::commitDataRequest, &window,
      [&window](QSessionManager&) { window.requestClose(); }, Qt::DirectConnection);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.close(); });

  window.startUp();
  if (window.hasShutDown()) return 0;
  window.show();
  return app.exec();
}
