#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QSessionManager>
#include <QTranslator>

#include "apps/console/Console.h"
#include "apps/j1939config/WindowOptions.h"
#include "rules/system/AppInfo.h"
#include "rules/system/TerminationSignals.h"
#include "window/MainWindow.h"
#include "window/bus/BusDock.h"
#include "window/desktop/Platform.h"

int main(int argc, char* argv[]) {
  // main() is the one name the language wants global; the program's own are j1939's.
  using namespace j1939;
  QApplication app(argc, argv);
  QApplication::setOrganizationName(kAppTitle);
  QApplication::setApplicationName(kAppTitle);
  // Every window of the run, the About box and the message boxes included, carries the icon.
  // Given with its size, the image is decoded only when a window paints it.
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/j1939config-64.png"), QSize(64, 64));
  QApplication::setWindowIcon(icon);

  // The user's language, where a translation is installed: the tool's own
  // texts from <prefix>/share/j1939config/translations beside the program's
  // bin folder, the standard buttons' from Qt's. Without one the texts stay as
  // written. A load tries some two dozen file names for the locale; a folder
  // that is not there costs one look.
  const auto useTranslation = [](QTranslator& translator, const QString& name,
                                 const QString& folder) {
    if (QFileInfo::exists(folder) && translator.load(QLocale(), name, QStringLiteral("_"), folder))
      QCoreApplication::installTranslator(&translator);
  };
  QTranslator toolTexts, qtTexts;
  useTranslation(toolTexts, QStringLiteral("j1939config"),
                 QCoreApplication::applicationDirPath() +
                     QStringLiteral("/../share/j1939config/translations"));
  useTranslation(qtTexts, QStringLiteral("qtbase"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath));

  // The application object has taken Qt's own options. A command line that
  // does not read ends the run before any window (exit status 2).
  SetConsoleProgram("j1939config");
  WindowOptions options;
  if (const std::optional<QString> failure =
          ParseWindowOptions(QCoreApplication::arguments().mid(1), options)) {
    Complain(*failure);
    return 2;
  }
  if (options.help || options.version) {
    Say(options.help ? QString::fromUtf8(kWindowUsage).chopped(1)
                     : QStringLiteral("j1939config %1.%2.%3")
                           .arg(kVersionMajor)
                           .arg(kVersionMinor)
                           .arg(kVersionRevision));
    return 0;
  }

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

  // Said once the signals are taken: a run asked to end from here on ends as
  // the close box ends it.
  window.useRunPorts(options.ports);
  if (!options.bus.isEmpty()) window.busDock().connectForRun(options.bus);
  window.startUp();
  if (window.hasShutDown()) return 0;
  window.show();
  // A file given on the command line (a launcher's %f) opens as File > Open
  // opens it, in the window the user sees.
  if (!options.file.isEmpty()) window.openFile(options.file);
  if (window.hasShutDown()) return 0;
  return app.exec();
}
